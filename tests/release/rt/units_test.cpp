// Numbered units: open failures, lost writes, held lines, reading back.
#include <gtest/gtest.h>

#include <ctime>

#include <fcntl.h>
#include <cstdio>
#include <unistd.h>

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "rt/fortio.h"
#include "run/routines.h"
#include "release/scratch.h"

namespace fs = std::filesystem;

namespace {

class Units : public ::testing::Test {
protected:
    void SetUp() override {
        rt::reset_units();
        dir = testrun::scratch_root() /
              ("rt_units_" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        rt::reset_units();
        fs::remove_all(dir);
    }
    std::string path(const char* name) const { return (dir / name).string(); }
    static std::string slurp(const std::string& p) {
        std::ifstream f(p, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    fs::path dir;
};

TEST_F(Units, WritesRecordsAndClosesCleanly) {
    ASSERT_TRUE(rt::open_unit(30, path("a.plt")));
    EXPECT_TRUE(rt::is_open(30));
    EXPECT_TRUE(rt::write_line(30, "first"));
    EXPECT_TRUE(rt::write_line(30, ""));
    EXPECT_TRUE(rt::write_line(30, "third"));
    EXPECT_TRUE(rt::close_unit(30));
    EXPECT_FALSE(rt::is_open(30));
    EXPECT_EQ(slurp(path("a.plt")), "first\n\nthird\n");
    // Status "UNKNOWN": an existing file is written from the start.
    ASSERT_TRUE(rt::open_unit(30, path("a.plt")));
    EXPECT_TRUE(rt::write_line(30, "new"));
    EXPECT_TRUE(rt::close_unit(30));
    EXPECT_EQ(slurp(path("a.plt")), "new\n");
}

TEST_F(Units, OpenFailureIsReportedNotFatal) {
    std::string why;
    EXPECT_FALSE(rt::open_unit(30, path("no/such/dir/a.plt"), &why));
    EXPECT_NE(why.find("no/such/dir/a.plt"), std::string::npos) << why;
    EXPECT_FALSE(rt::is_open(30));
    EXPECT_FALSE(rt::write_line(30, "x"));
    EXPECT_TRUE(rt::close_unit(30));  // not open: nothing lost
    EXPECT_FALSE(rt::open_unit_read(10, path("missing.dat"), &why));
    EXPECT_NE(why.find("missing.dat"), std::string::npos) << why;
    EXPECT_FALSE(rt::open_unit(6, path("six")));
    EXPECT_TRUE(rt::is_open(6));
}

TEST_F(Units, AFullDeviceLosesDataAndTheUnitKeepsFailing) {
    ASSERT_TRUE(rt::open_unit(30, "/dev/full"));
    // Write until the unit's buffer reaches the device.
    bool ok = true;
    int n = 0;
    std::string row(100, 'x');
    while (ok && n < 10000) ok = rt::write_line(30, row), ++n;
    EXPECT_FALSE(ok);
    EXPECT_FALSE(rt::write_line(30, "short"));
    EXPECT_FALSE(rt::close_unit(30));
    // A single buffered line is lost at the close and the close says so.
    ASSERT_TRUE(rt::open_unit(77, "/dev/full"));
    EXPECT_TRUE(rt::write_line(77, "one line"));
    EXPECT_FALSE(rt::close_unit(77));
}

TEST_F(Units, AWriteOnADeadDescriptorFails) {
    ASSERT_TRUE(rt::open_unit(30, path("dead.plt")));
    EXPECT_TRUE(rt::write_line(30, "kept in the buffer"));
    // Put a read-only descriptor where the unit's file was: writes fail with EBADF.
    int fd = rt::unit_descriptor(30);
    ASSERT_GE(fd, 0);
    int ro = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(ro, 0);
    ASSERT_EQ(::dup2(ro, fd), fd);
    ::close(ro);
    EXPECT_FALSE(rt::close_unit(30));
    // The unit is free again and opens anew.
    ASSERT_TRUE(rt::open_unit(30, path("dead.plt")));
    EXPECT_TRUE(rt::write_line(30, "again"));
    EXPECT_TRUE(rt::close_unit(30));
    EXPECT_EQ(slurp(path("dead.plt")), "again\n");
}

TEST_F(Units, StandardOutputOnAFullDevice) {
    // Unit 6 on a full device: the write fails, keeps failing, and the
    // close reports it; afterwards the unit works again.
    std::fflush(stdout);
    int saved = ::dup(1);
    ASSERT_GE(saved, 0);
    int full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    ::dup2(full, 1);
    ::close(full);
    bool first = rt::write_line(6, "lost");
    bool second = rt::write_line(6, "lost too");
    bool closed = rt::close_unit(6);
    ::dup2(saved, 1);
    ::close(saved);
    EXPECT_FALSE(first);
    EXPECT_FALSE(second);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(rt::is_open(6));
    EXPECT_TRUE(rt::write_line(6, " unit 6 works again"));
}

TEST_F(Units, HeldLinesComeFirstWhenTheUnitOpens) {
    rt::hold_unit(77);
    EXPECT_TRUE(rt::write_line(77, "before 1"));
    EXPECT_TRUE(rt::write_line(77, "before 2"));
    EXPECT_FALSE(fs::exists(path("run.log")));
    EXPECT_TRUE(fs::is_empty(dir));  // no file of any name yet
    ASSERT_TRUE(rt::open_unit(77, path("run.log")));
    EXPECT_TRUE(rt::write_line(77, "after"));
    EXPECT_TRUE(rt::close_unit(77));
    EXPECT_EQ(slurp(path("run.log")), "before 1\nbefore 2\nafter\n");
    // Once opened the hold is used up: a closed unit takes no lines.
    EXPECT_FALSE(rt::write_line(77, "late"));
}

TEST_F(Units, ResetForgetsHeldLinesAndClosesUnits) {
    rt::hold_unit(77);
    EXPECT_TRUE(rt::write_line(77, "from the refused run"));
    ASSERT_TRUE(rt::open_unit(30, path("a.plt")));
    EXPECT_TRUE(rt::write_line(30, "row"));
    rt::reset_units();
    EXPECT_FALSE(rt::is_open(30));
    EXPECT_TRUE(rt::is_open(6));
    EXPECT_EQ(slurp(path("a.plt")), "row\n");  // flushed on the way
    EXPECT_FALSE(rt::write_line(77, "not held any more"));
    ASSERT_TRUE(rt::open_unit(77, path("run.log")));
    EXPECT_TRUE(rt::close_unit(77));
    EXPECT_EQ(slurp(path("run.log")), "");
}

TEST_F(Units, ReadAndBackspace) {
    {
        std::ofstream f(path("deck.dat"), std::ios::binary);
        f << "ONE\r\n  2  3\n\nlast";  // a Windows record end, an empty record, no final newline
    }
    ASSERT_TRUE(rt::open_unit_read(10, path("deck.dat")));
    std::string s;
    ASSERT_TRUE(rt::read_line(10, s));
    EXPECT_EQ(s, "ONE");
    ASSERT_TRUE(rt::read_line(10, s));
    EXPECT_EQ(s, "  2  3");
    // Step back and read the same record whole again.
    EXPECT_TRUE(rt::backspace(10));
    ASSERT_TRUE(rt::read_line(10, s));
    EXPECT_EQ(s, "  2  3");
    // Two steps back reach the first record.
    EXPECT_TRUE(rt::backspace(10));
    EXPECT_TRUE(rt::backspace(10));
    ASSERT_TRUE(rt::read_line(10, s));
    EXPECT_EQ(s, "ONE");
    ASSERT_TRUE(rt::read_line(10, s));
    ASSERT_TRUE(rt::read_line(10, s));
    EXPECT_EQ(s, "");
    ASSERT_TRUE(rt::read_line(10, s));
    EXPECT_EQ(s, "last");
    EXPECT_FALSE(rt::read_line(10, s));
    // After the end, the first backspace steps back over the end only.
    EXPECT_TRUE(rt::backspace(10));
    EXPECT_FALSE(rt::read_line(10, s));
    EXPECT_TRUE(rt::backspace(10));
    EXPECT_TRUE(rt::backspace(10));
    ASSERT_TRUE(rt::read_line(10, s));
    EXPECT_EQ(s, "last");
    // Backspace at the first record stays there.
    ASSERT_TRUE(rt::open_unit_read(10, path("deck.dat")));
    EXPECT_TRUE(rt::backspace(10));
    ASSERT_TRUE(rt::read_line(10, s));
    EXPECT_EQ(s, "ONE");
    EXPECT_FALSE(rt::write_line(10, "not an output unit"));
    EXPECT_TRUE(rt::close_unit(10));
    EXPECT_FALSE(rt::read_line(10, s));
    EXPECT_FALSE(rt::backspace(10));
}

TEST(FixedTexts, PadCutTrimCompare) {
    struct {
        const char* s;
        int n;
        const char* out;
    } cases[] = {
        {"AB", 4, "AB  "}, {"ABCDEF", 3, "ABC"}, {"", 2, "  "}, {"XY", 0, ""}, {"XY", 2, "XY"}};
    for (const auto& c : cases) {
        EXPECT_EQ(rt::fixed(c.s, c.n), c.out) << c.s << " " << c.n;
        char buf[8];
        std::fill(buf, buf + 8, '#');
        rt::assign(buf, c.n, c.s);
        EXPECT_EQ(std::string(buf, c.n), c.out);
        EXPECT_EQ(buf[c.n], '#');  // nothing beyond the n characters
    }
    EXPECT_EQ(rt::trim("AB  "), "AB");
    EXPECT_EQ(rt::trim(" A B "), " A B");
    EXPECT_EQ(rt::trim("   "), "");
    EXPECT_EQ(rt::len_trim("DPBMAX  "), 6);
    EXPECT_TRUE(rt::text_eq("DPBMAX", "DPBMAX  "));
    EXPECT_TRUE(rt::text_eq("", "   "));
    EXPECT_FALSE(rt::text_eq("DPBMA", "DPBMAX"));
    EXPECT_FALSE(rt::text_eq(" A", "A"));
    // Concatenation of fixed texts keeps the blanks of each part.
    EXPECT_EQ(rt::fixed("AB", 4) + rt::fixed("C", 2), "AB  C ");
}

TEST(ProcessorTime, NeverRunsBackwards) {
    float t0 = rt::cputime();
    volatile double x = 0;
    for (int i = 0; i < 2000000; ++i) x = x + 1e-9 * i;
    float t1 = rel::CPUTIM();
    EXPECT_GE(t0, 0.0f);
    EXPECT_GE(t1, t0);
}

// The readings between two reads of the processor clock follow the
// monotonic clock; they may differ from the processor clock by the read
// interval (10 ms) at most, whatever the load of the machine.
TEST(ProcessorTime, StaysWithinTheReadIntervalOfTheProcessorClock) {
    auto cpu = [] {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
    };
    volatile double x = 0;
    float last = 0.0f;
    for (int i = 0; i < 20000; ++i) {
        for (int k = 0; k < 200; ++k) x = x + 1e-9 * k;
        const double before = cpu();
        const float t = rt::cputime();
        const double after = cpu();
        ASSERT_GE(t, last);
        ASSERT_LE(t, after + 0.0101 + 1e-6 * after) << "reading " << i;
        ASSERT_GE(t, before - 0.0101 - 1e-6 * before) << "reading " << i;
        last = t;
    }
}

}  // namespace

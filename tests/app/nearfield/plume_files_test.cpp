// The plume computation end to end on small releases: the plume result file
// (golden text worked by hand), the boil-zone radius, failures and cancel.
#include "nearfield_fixture.h"

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <locale>
#include <iterator>
#include <sstream>
#include <cstring>

namespace {

// Worked with plume_reference.py for a leak 100 m deep (H = 110 m, z = 0.909; from the plume
// equations c1 0.4459244, c2 2.3748010, c3 0.4133390). The intervals of the release
//   (0 s, 0 kg, 0 m3/s) (1, 10, 1.0) (2, 20, 1.0) (60, 500, 0.5)
// give plumes (mean time t, mean rate q, mass m -> arrival Time, R):
//   t 0.5, q 0.5,  m 10  -> 60.9235 s, W 2.38205, Rtime 45.3289, R 21.2596
//   t 1.5, q 1.0,  m 10  -> 49.4582 s, W 3.00119, Rtime 35.9776, R 23.2407
//   t 31,  q 0.75, m 480 -> 83.7848 s, W 2.72677, Rtime 39.5985, R 22.5514
// The second would overtake the first; rising in the same water it carries the
// first up with it, so both arrive at 49.4582 s. Binned by whole seconds: a zero
// row at 0 s, then 49 s (20 kg over 49 s, the second plume's values), 83 s
// (480 kg over 34 s).
const ReleaseRows kOvertakingRelease = {{0, 0, 0}, {1, 10, 1.0f}, {2, 20, 1.0f}, {60, 500, 0.5f}};
const char kHeader[] =
    "Time     Vgas0    Macc     W        Rtime    Qgas     R\n"
    "s        m3/s     kg       m/s      s        kg/s     m\n"
    "-        -        -        -        -        -        -\n";
const char kGoldenUnsmoothed[] =
    "0.00000  0.00000  0.00000  0.00000  0.00000  0.00000  0.00000 \n"
    "49.0000  1.00000  20.0000  3.00119  35.9776  0.408163 23.2407 \n"
    "83.0000  0.750000 500.000  2.72677  39.5985  14.1176  22.5514 \n";
// Smoothing over one row each side: Qgas = centred difference of Macc over
// Time from the first arrival on, (500-20)/(83-49); nothing arrives at 0 s.
const char kGoldenSmoothed[] =
    "0.00000  0.00000  0.00000  0.00000  0.00000  0.00000  0.00000 \n"
    "49.0000  1.00000  20.0000  3.00119  35.9776  14.1176  23.2407 \n"
    "83.0000  0.750000 500.000  2.72677  39.5985  14.1176  22.5514 \n";
// (23.24073 * 49 + 22.55143 * 34) / 83
constexpr double kGoldenRadius = 22.9583643;

class PlumeRun : public ::testing::Test {
protected:
    QTemporaryDir dir;
    RowsPlume plume;
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    bool Prepare(const ReleaseRows& rows, float depth = 100.0f, const QString& scenario = {}) {
        plume.rows = rows;
        return plume.Prepare(SomeSummary(), scenario.isEmpty() ? Path("scen.zef") : scenario, depth,
                             0.1f, 4.0f, QStringLiteral("./"));
    }
};

TEST_F(PlumeRun, writes_the_golden_plume_file_with_and_without_smoothing) {
    struct Case {
        int smoothing;
        const char* rows;
    };
    for (const Case& c : {Case{0, kGoldenUnsmoothed}, Case{1, kGoldenSmoothed}}) {
        SCOPED_TRACE(c.smoothing);
        plume.set_smooth_massrate(c.smoothing);
        ASSERT_TRUE(Prepare(kOvertakingRelease));
        EXPECT_EQ(RunForMessage(plume), 0);
        EXPECT_EQ(ReadAll(Path("scen.dbs")), std::string(kHeader) + c.rows);
        EXPECT_TRUE(plume.HasResult());
        EXPECT_NEAR(plume.AvgBoilzoneRadius(), kGoldenRadius, 1e-6);
        EXPECT_FLOAT_EQ(plume.ResultValue(), static_cast<float>(kGoldenRadius));
        EXPECT_EQ(FilesIn(dir.path()), QStringList{QStringLiteral("scen.dbs")});
    }
}

// The rows of a plume result file after its three header lines.
std::vector<std::array<double, 7>> DbsRows(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    for (int i = 0; i < 3; ++i) std::getline(in, line);
    std::vector<std::array<double, 7>> rows;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::array<double, 7> row{};
        for (double& v : row) fields >> v;
        if (fields) rows.push_back(row);
    }
    return rows;
}

// An opening leak 100 m deep: the gas rate grows from 0.01 to 1 m3/s over the
// first 20 s and then holds for ten minutes, one row each 5 s, 2 kg of gas for
// each m3/s and second. The first weak intervals on their own would rise for
// minutes (q 0.01: Rtime about 210 s) and reach the surface in the middle of
// the steady plume (arrival about 48 s after its release).
ReleaseRows OpeningLeak() {
    ReleaseRows rows{{0, 0, 0}};
    float mass = 0.0f;
    for (int k = 1; k <= 124; ++k) {
        const float q = k == 1 ? 0.01f : k == 2 ? 0.05f : k == 3 ? 0.2f : 1.0f;
        const float previous = rows.back()[2];
        mass += 2.0f * 5.0f * 0.5f * (previous + q);
        rows.push_back({5.0f * static_cast<float>(k), mass, q});
    }
    return rows;
}

// What the binning of the arrivals must keep, whatever its rules: every
// kilogram released reaches the file, row by row (unsmoothed: the rate times the
// row's length is the row's mass); the rows follow each other in time with the
// arrived mass growing; a steady release gives no row far below both of its
// neighbours; and no rate is shown before any gas has arrived.
TEST_F(PlumeRun, the_binned_plume_keeps_the_mass_arrives_in_order_and_shows_no_dip) {
    const ReleaseRows release = OpeningLeak();
    const double released = release.back()[1];
    for (int smoothing : {0, 1, 3}) {
        SCOPED_TRACE(smoothing);
        plume.set_smooth_massrate(smoothing);
        ASSERT_TRUE(Prepare(release));
        ASSERT_EQ(RunForMessage(plume), 0);
        const auto rows = DbsRows(ReadAll(Path("scen.dbs")));
        ASSERT_GT(rows.size(), 100u);
        EXPECT_NEAR(rows.back()[2], released, 1e-5 * released);
        double binned = rows.front()[5];  // the zero row holds its mass undivided
        for (size_t k = 1; k < rows.size(); ++k) {
            SCOPED_TRACE(rows[k][0]);
            const double length = rows[k][0] - rows[k - 1][0];
            EXPECT_GT(length, 0.0);
            EXPECT_GE(rows[k][2], rows[k - 1][2]);
            if (smoothing == 0) {
                binned += rows[k][5] * length;
                EXPECT_NEAR(rows[k][5] * length, rows[k][2] - rows[k - 1][2], 1e-5 * released);
            }
            if (!(rows[k - 1][2] > 0.0)) {
                EXPECT_EQ(rows[k - 1][5], 0.0);
            }
            if (k + 1 < rows.size()) {
                const double around = std::min(rows[k - 1][5], rows[k + 1][5]);
                EXPECT_GE(rows[k][5], 0.99 * around) << "a single row dips";
            }
        }
        if (smoothing == 0) {
            EXPECT_NEAR(binned, released, 1e-4 * released);
        }
    }
}

TEST_F(PlumeRun, a_release_without_mass_writes_the_header_and_the_closing_row) {
    ASSERT_TRUE(Prepare({{0, 0, 0}, {10, 0, 0.5f}, {20, 0, 0}}));
    EXPECT_EQ(RunForMessage(plume), 0);
    EXPECT_EQ(
        ReadAll(Path("scen.dbs")),
        std::string(kHeader) + "0.00000  0.00000  0.00000  0.00000  0.00000  0.00000  0.00000 \n");
    EXPECT_TRUE(plume.HasResult());
    EXPECT_EQ(plume.AvgBoilzoneRadius(), 0.0);
}

// A plume arriving within the first second joins the zero bin, whose length is
// 0: its mass stays undivided in Qgas, and the radius is not averaged over a
// time of 1 s or less.
TEST_F(PlumeRun, a_plume_arriving_in_the_first_second_fills_the_zero_row) {
    // Leak 1 m deep (H 11, z 0.0909); the interval t 0.05, q 5, m 2 has
    // Rtime 0.0558654 s and arrives at 0.124469 s (plume_reference.py).
    plume.set_smooth_massrate(0);
    ASSERT_TRUE(Prepare({{0.1f, 2.0f, 10.0f}}, 1.0f));
    EXPECT_EQ(RunForMessage(plume), 0);
    const std::string text = ReadAll(Path("scen.dbs"));
    ASSERT_EQ(text.substr(0, sizeof kHeader - 1), kHeader);
    std::istringstream row(text.substr(sizeof kHeader - 1));
    std::vector<std::string> fields{std::istream_iterator<std::string>(row), {}};
    ASSERT_EQ(fields.size(), 7u);
    EXPECT_EQ(fields[0], "0.00000");            // Time
    EXPECT_EQ(fields[1], "5.00000");            // Vgas0
    EXPECT_EQ(fields[2], "2.00000");            // Macc
    EXPECT_EQ(fields[4], "0.0558654");          // Rtime, wider than its 8 characters
    EXPECT_EQ(fields[5], "2.00000");            // Qgas: the bin's mass
    EXPECT_EQ(plume.AvgBoilzoneRadius(), 0.0);  // R x 0 s
}

TEST_F(PlumeRun, failures_give_their_message_identifiers) {
    struct Case {
        const char* what;
        ReleaseRows rows;
        float water;
        int id;
    };
    const Case cases[] = {
        {"negative gas rate", {{0, 0, 0}, {1, 10, -1.0f}}, 15.0f, 16193},
        {"decreasing leaked mass", {{0, 0, 0}, {1, 10, 1.0f}, {2, 9, 1.0f}}, 15.0f, 16189},
        {"no row after the leak opened", {{-10, 0, 0}, {-5, 0, 0}}, 15.0f, 16153},
        {"water below absolute zero", {{0, 0, 0}, {1, 10, 1.0f}}, -300.0f, 16169},
        {"water temperature not a number", {{0, 0, 0}, {1, 10, 1.0f}}, std::nanf(""), 16169},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteAll(Path("scen.dbs"), "previous\n");
        plume.Setup().water_temperature = c.water;
        ASSERT_TRUE(Prepare(c.rows));
        EXPECT_EQ(RunForMessage(plume), c.id);
        EXPECT_FALSE(plume.HasResult());
        EXPECT_EQ(ReadAll(Path("scen.dbs")), "previous\n");
    }
}

TEST_F(PlumeRun, a_folder_that_cannot_be_written_fails_as_plume_summary_not_created) {
    // A path under a regular file: no file can be created there, not even by root.
    WriteAll(Path("blocker"), "x");
    ASSERT_TRUE(Prepare(kOvertakingRelease, 100.0f, Path("blocker/scen.zef")));
    EXPECT_EQ(plume.Compute(), 12);
    const ValidationError e = RunForFailure(plume);
    EXPECT_EQ(e.id, 16134u);
    EXPECT_TRUE(e.text.contains(Path("blocker"))) << e.text.toStdString();
    EXPECT_FALSE(plume.HasResult());
}

TEST_F(PlumeRun, a_failed_write_leaves_the_previous_file_and_no_temporary) {
    WriteAll(Path("scen.dbs"), "previous\n");
    ASSERT_TRUE(Prepare(kOvertakingRelease));
    // Let the header through, then make the file too large: writes fail with
    // EFBIG instead of a signal.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct sigaction ignore {
    }, old{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &old);
    struct rlimit small = saved;
    small.rlim_cur = sizeof kHeader + 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    plume.set_smooth_massrate(0);
    const ValidationError e = RunForFailure(plume);
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &old, nullptr);
    EXPECT_EQ(e.id, 16135u);
    // The file where it belongs, the step and the system's reason.
    EXPECT_EQ(e.text.toStdString(),
              Path("scen.dbs").toStdString() + ": write failed: " + std::strerror(EFBIG));
    EXPECT_EQ(ReadAll(Path("scen.dbs")), "previous\n");
    EXPECT_EQ(FilesIn(dir.path()), QStringList{QStringLiteral("scen.dbs")});
    EXPECT_FALSE(plume.HasResult());
}

TEST_F(PlumeRun, progress_runs_from_0_to_100_without_going_back) {
    std::vector<int> seen;
    NearFieldRunControl control;
    control.progress = [&](int p) { seen.push_back(p); };
    ASSERT_TRUE(Prepare(kOvertakingRelease));
    EXPECT_EQ(RunForMessage(plume, control), 0);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_NE(std::find(seen.begin(), seen.end(), 85), seen.end());
}

// A cancel at any stage leaves the previous result file as it was, no
// temporary file, and no radius from the interrupted run.
TEST_F(PlumeRun, cancel_leaves_the_previous_result_and_no_partial_file) {
    plume.set_smooth_massrate(0);
    ASSERT_TRUE(Prepare(kOvertakingRelease));
    ASSERT_EQ(RunForMessage(plume), 0);
    const std::string previous = ReadAll(Path("scen.dbs"));
    ASSERT_NE(previous, "<missing>");

    // 40: while the plumes are computed; 86: while the file is written; 100:
    // after the last row, before the file replaces the previous one.
    for (int cancelAt : {40, 86, 100}) {
        SCOPED_TRACE(cancelAt);
        plume.rows = {{0, 0, 0}, {1, 10, 1.0f}, {2, 20, 1.0f}, {30, 200, 2.0f}, {60, 900, 0.5f}};
        SetUlv5Start(plume.Setup(), 2024, 6, 1, 0, 0);
        ASSERT_TRUE(plume.Prepare(SomeSummary(), Path("scen.zef"), 100.0f, 0.1f, 4.0f, "./"));
        std::atomic<bool> cancel{false};
        NearFieldRunControl control;
        control.cancel = &cancel;
        control.progress = [&](int p) {
            if (p >= cancelAt) cancel = true;
        };
        EXPECT_EQ(RunForMessage(plume, control), 0);  // quietly
        EXPECT_TRUE(cancel.load());
        EXPECT_EQ(ReadAll(Path("scen.dbs")), previous);
        EXPECT_EQ(FilesIn(dir.path()), QStringList{QStringLiteral("scen.dbs")});
        EXPECT_FALSE(plume.HasResult());
        EXPECT_EQ(plume.AvgBoilzoneRadius(), 0.0);
    }
}

TEST_F(PlumeRun, rows_before_the_leak_opened_are_skipped_and_increments_kept) {
    ASSERT_TRUE(Prepare({{-20, 0, 0}, {0, 0, 0}, {5, 10, 1.0f}, {10, 25, 1.0f}}));
    const auto& s = plume.Samples();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].Time, 0.0f);
    EXPECT_EQ(s[1].dMass, 10.0f);
    EXPECT_EQ(s[2].dMass, 15.0f);
    EXPECT_EQ(s[2].QGLEAK, 1.0f);
}

}  // namespace

namespace {

// The release read from a result file as the library writes it: warm-up rows
// with negative times, 15-character columns, upper-case units.
class ResultFileRelease : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void UseFixture(const char* name) {
        ASSERT_TRUE(QFile::copy(QStringLiteral(NEARFIELD_FIXTURES "/") + name, Path("scen.plt")));
    }
    template <class Model>
    bool Prepare(Model& model, float temperature = 4.0f) {
        return model.Prepare(SomeSummary(), Path("scen.zef"), 100.0f, 0.1f, temperature, "./");
    }
};

TEST_F(ResultFileRelease, the_plume_of_a_result_file_matches_the_golden_file) {
    UseFixture("overtaking.plt");
    for (int smoothing : {0, 1}) {
        CBubblePlume plume;
        plume.set_smooth_massrate(smoothing);
        ASSERT_TRUE(Prepare(plume));
        ASSERT_EQ(plume.Samples().size(), 4u);  // the rows from time 0 on
        EXPECT_EQ(RunForMessage(plume), 0);
        EXPECT_EQ(ReadAll(Path("scen.dbs")),
                  std::string(kHeader) + (smoothing ? kGoldenSmoothed : kGoldenUnsmoothed));
        EXPECT_NEAR(plume.AvgBoilzoneRadius(), kGoldenRadius, 1e-6);
    }
}

TEST_F(ResultFileRelease, the_generic_release_records_hold_rates_densities_and_tensions) {
    UseFixture("overtaking.plt");
    class Base : public CNearFieldModel {
    } model;
    ASSERT_TRUE(Prepare(model, 6.5f));
    const auto& r = model.ReleaseRecords();
    ASSERT_EQ(r.size(), 4u);
    // Row at 60 s: GTLEAK 8.5, GGLEAK 7, GLLEAK 1.5, ROGLK 90.1, ROLLK 779.9, SIG 0.022.
    const ReleaseRecord& last = r.back();
    EXPECT_EQ(last.Time, 60.0f);
    EXPECT_EQ(last.Qgas, 7.0f);
    EXPECT_EQ(last.Qoil, 1.5f);
    EXPECT_EQ(last.Qwater, 0.0f);
    EXPECT_EQ(last.Temp, 6.5f);
    EXPECT_FLOAT_EQ(last.ROG, 90.1f);
    EXPECT_FLOAT_EQ(last.Roil, 779.9f);
    EXPECT_FLOAT_EQ(last.SOW, 0.03f);
    EXPECT_FLOAT_EQ(last.SOG, 0.022f);
}

TEST_F(ResultFileRelease, a_missing_or_mismatched_result_file_is_refused) {
    struct Case {
        const char* what;
        const char* text;  // nullptr: no file
        int id;
    };
    const Case cases[] = {
        {"no result file", nullptr, 16163},
        {"empty file", "", 16164},
        {"two header lines", "Time MASSLK QGLEAK\nS KG M3/S\n", 16164},
        {"no leaked-mass column",
         "Time GGLEAK QGLEAK\nS KG/S M3/S\n- 13B/BR1 13B/BR1\n0 0 0\n1 1 1\n", 16164},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(Path("scen.plt"));
        if (c.text) WriteAll(Path("scen.plt"), c.text);
        CBubblePlume plume;
        EXPECT_FALSE(Prepare(plume));
        ASSERT_EQ(plume.Errors().size(), 1u);
        EXPECT_EQ(plume.Errors()[0].id, static_cast<unsigned>(c.id));
        EXPECT_EQ(RunForMessage(plume), 16148);
    }
}

}  // namespace

namespace {

// Files read and written the same whatever the user's locale: a
// comma-decimal C and C++ locale changes nothing.
TEST(PlumeLocale, files_are_the_same_under_a_comma_decimal_locale) {
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "nb_NO.UTF-8", "fr_FR.UTF-8"};
    const char* found = nullptr;
    for (const char* name : names)
        if (std::setlocale(LC_ALL, name)) {
            found = name;
            break;
        }
    if (!found)
        GTEST_SKIP()
            << "no comma-decimal locale installed on this machine (de_DE.UTF-8 and others absent)";
    const std::locale previous = std::locale::global(std::locale(found));

    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(QStringLiteral(NEARFIELD_FIXTURES "/overtaking.plt"),
                            dir.filePath("scen.plt")));
    CBubblePlume plume;
    plume.set_smooth_massrate(0);
    SetUlv5Start(plume.Setup(), 2024, 1, 2, 3, 0);
    plume.Setup().water_temperature = 4.5f;
    const bool prepared =
        plume.Prepare(SomeSummary(), dir.filePath("scen.zef"), 100.0f, 0.1f, 4.0f, "./");
    const int id = prepared ? RunForMessage(plume) : -1;

    std::locale::global(previous);
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(prepared);
    EXPECT_EQ(id, 0);
    EXPECT_EQ(ReadAll(dir.filePath("scen.dbs")), std::string(kHeader) + kGoldenUnsmoothed);
    // 500 kg over the 83 s they took to reach the surface: 6024.1 g/s.
    EXPECT_EQ(ReadAll(dir.filePath("scen.dat")), "24 2 04  6024.1  0.01  277.5\n");
}

}  // namespace

// The built library as a program with threads uses it: one call at a time per
// process, a second call refused without touching the running one, and the
// same result bytes whatever locale the process has.
#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "case_file.h"
#include "exported.h"

namespace {

namespace fs = std::filesystem;
using namespace exported;

const std::string BUSY = "THE LIBRARY IS RUNNING ANOTHER CALL IN THIS PROCESS: ONE CALL AT A TIME";

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// An example case with its property tables filled by the library.
cases::Case prepared(const std::string& stem) {
    cases::Case c =
        cases::load_case(std::string(RELEASE_SOURCE_DIR) + "/examples/cases/" + stem + ".json");
    cases::Fluid& f = c.fluid;
    const Call fill =
        f.kind == cases::Fluid::Kind::BlackOil
            ? call_blackoil(f.gas_density, f.oil_density, f.gor, f.water_cut, c.input->pvt)
            : call_comppvt(cases::make_comprec(f), c.input->pvt);
    EXPECT_EQ(fill.IERR, 0) << stem << ": " << fill.msg;
    return c;
}

struct RunFiles {
    Call call;
    std::string plt, log;
};

RunFiles run(const std::string& stem, const Scratch& dir, const std::string& name,
             ReleaseProgressFn callback = nullptr) {
    cases::Case c = prepared(stem);
    RunFiles r;
    r.call = call_release(*c.input, c.control, dir.path(name + ".$$$"), callback);
    r.plt = slurp(dir.path(name + ".plt"));
    r.log = slurp(dir.path(name + ".log"));
    return r;
}

// The run of a case alone in the process, in the C locale.
const RunFiles& lone(const std::string& stem) {
    static std::map<std::string, RunFiles> runs;
    static Scratch dir("one_call_lone");
    auto it = runs.find(stem);
    if (it == runs.end()) it = runs.emplace(stem, run(stem, dir, stem)).first;
    return it->second;
}

void expect_same_run(const RunFiles& r, const RunFiles& alone, const std::string& what) {
    EXPECT_EQ(r.call.IERR, alone.call.IERR) << what << ": " << r.call.msg;
    EXPECT_EQ(r.call.msg, alone.call.msg) << what;
    EXPECT_EQ(std::memcmp(&r.call.sum, &alone.call.sum, sizeof(DischargeSummary)), 0) << what;
    EXPECT_FALSE(alone.plt.empty()) << what;
    EXPECT_TRUE(r.plt == alone.plt) << what << ": the result file differs from the lone run's";
    EXPECT_TRUE(r.log == alone.log) << what << ": the run log differs from the lone run's";
}

// Done by the progress callback of a run at its first step.
std::function<void()> g_first_step;
int32_t on_step(int32_t) {
    if (g_first_step) {
        auto f = std::move(g_first_step);
        g_first_step = nullptr;
        f();
    }
    return 0;
}
int32_t stop_at_once(int32_t) { return 1; }

enum class Entry { Release, Blackoil, Comppvt };
enum class From { OtherThread, Callback };

// A second call of one entry made while a run is in its time loop.
struct SecondCall {
    const char* name;
    Entry entry;
    From from;
};

class OneCallAtATime : public ::testing::TestWithParam<SecondCall> {};

TEST_P(OneCallAtATime, a_second_call_during_a_run_is_refused_and_the_run_is_untouched) {
    ASSERT_TRUE(lib().release) << dlerror();
    const SecondCall& p = GetParam();
    const RunFiles& alone = lone("gas_pipeline_comppvt");
    Scratch dir(std::string("one_call_") + p.name);

    // What the second call is given: a block and a summary it must not fill,
    // and for RELEASE a case of its own with its own result path.
    cases::Case other = prepared("one_branch_blackoil");
    PVTBLK block;
    std::memset(&block, 0x5a, sizeof block);
    const PVTBLK block_before = block;
    Call second;
    auto call = [&] {
        switch (p.entry) {
            case Entry::Release: {
                second.sum.total_mass = -42.0f;
                MsgBuf m;
                ReleaseProgressFn none = nullptr;
                const std::string path = dir.path("other.$$$");
                lib().release(&other.input->net, other.input->br, &other.input->bnd,
                              &other.input->lek, &other.input->pvt, &other.control, &second.sum,
                              path.c_str(), static_cast<int32_t>(path.size()), &none, &second.IERR,
                              m.MSG, 300);
                m.into(second);
                break;
            }
            case Entry::Blackoil:
                second = call_blackoil(0.8f, 850.0f, 100.0f, 10.0f, block);
                break;
            case Entry::Comppvt: {
                COMPREC comp{};
                comp.NCOMP = 1;
                comp.MODEL[0] = 1;
                comp.MOLEPCT[0] = 100.0f;
                second = call_comppvt(comp, block);
                break;
            }
        }
    };
    g_first_step = [&] {
        if (p.from == From::OtherThread)
            std::thread(call).join();
        else
            call();
    };
    const RunFiles r = run("gas_pipeline_comppvt", dir, "run", on_step);
    EXPECT_FALSE(g_first_step) << "the run made no step";

    EXPECT_EQ(second.IERR, 1);
    EXPECT_EQ(second.msg, BUSY);
    EXPECT_FALSE(second.msg_overrun);
    EXPECT_EQ(std::memcmp(&block, &block_before, sizeof block), 0)
        << "the refused call wrote the block";
    if (p.entry == Entry::Release) {
        EXPECT_EQ(second.sum.total_mass, -42.0f) << "the refused call wrote a summary";
    }
    EXPECT_FALSE(fs::exists(dir.path("other.plt")) || fs::exists(dir.path("other.log")));
    expect_same_run(r, alone, p.name);

    // The guard is given back: the next call runs.
    PVTBLK after{};
    EXPECT_EQ(call_blackoil(0.8f, 850.0f, 100.0f, 10.0f, after).IERR, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Library, OneCallAtATime,
    ::testing::Values(SecondCall{"release_other_thread", Entry::Release, From::OtherThread},
                      SecondCall{"blackoil_other_thread", Entry::Blackoil, From::OtherThread},
                      SecondCall{"comppvt_other_thread", Entry::Comppvt, From::OtherThread},
                      SecondCall{"release_from_callback", Entry::Release, From::Callback},
                      SecondCall{"blackoil_from_callback", Entry::Blackoil, From::Callback},
                      SecondCall{"comppvt_from_callback", Entry::Comppvt, From::Callback}),
    [](const auto& row) { return std::string(row.param.name); });

// Two threads start RELEASE at the same moment, a black-oil case and a gas
// case: each either gets the library and writes its lone run's bytes, or is
// refused with the message; never a mix of both.
TEST(OneCallAtATimeRace, two_threads_starting_release_together) {
    ASSERT_TRUE(lib().release) << dlerror();
    const char* stems[2] = {"one_branch_blackoil", "gas_pipeline_comppvt"};
    for (const char* s : stems) lone(s);
    int refused = 0;
    for (int round = 0; round < 3; ++round) {
        Scratch dir("one_call_race_" + std::to_string(round));
        cases::Case c[2] = {prepared(stems[0]), prepared(stems[1])};
        RunFiles r[2];
        std::atomic<int> ready{0};
        auto go = [&](int i) {
            ready.fetch_add(1);
            while (ready.load() < 2) {
            }
            r[i].call =
                call_release(*c[i].input, c[i].control, dir.path(std::string(stems[i]) + ".$$$"));
        };
        std::thread a(go, 0), b(go, 1);
        a.join();
        b.join();
        int ran = 0;
        for (int i = 0; i < 2; ++i) {
            const std::string what = std::string(stems[i]) + " round " + std::to_string(round);
            if (r[i].call.IERR == 1 && r[i].call.msg == BUSY) {
                ++refused;
                EXPECT_FALSE(fs::exists(dir.path(std::string(stems[i]) + ".plt"))) << what;
                continue;
            }
            ++ran;
            r[i].plt = slurp(dir.path(std::string(stems[i]) + ".plt"));
            r[i].log = slurp(dir.path(std::string(stems[i]) + ".log"));
            expect_same_run(r[i], lone(stems[i]), what);
        }
        EXPECT_GE(ran, 1) << "round " << round;
    }
    std::printf("refused in %d of 6 starts\n", refused);
}

// The guard comes back on every way out of a call: a refusal of the input, a
// run stopped by its callback, a refused fluid; the next call then runs.
TEST(OneCallAtATime, the_guard_is_given_back_on_every_way_out) {
    ASSERT_TRUE(lib().release) << dlerror();
    Scratch dir("one_call_ways_out");
    struct WayOut {
        const char* name;
        int32_t ierr;
        std::function<Call()> call;
    };
    const WayOut ways[] = {
        {"release_refused_input", 1,
         [&] {
             cases::Case c = prepared("gas_pipeline_comppvt");
             c.input->lek.LEKDIA = -1.0f;
             return call_release(*c.input, c.control, dir.path("refused.$$$"));
         }},
        {"release_stopped_by_callback", 9999,
         [&] {
             cases::Case c = prepared("gas_pipeline_comppvt");
             return call_release(*c.input, c.control, dir.path("stopped.$$$"), stop_at_once);
         }},
        {"blackoil_refused", 1,
         [] {
             PVTBLK b{};
             return call_blackoil(5.0f, 850.0f, 100.0f, 10.0f, b);
         }},
        {"comppvt_refused", 1,
         [] {
             PVTBLK b{};
             COMPREC comp{};
             comp.NCOMP = 1;
             comp.MODEL[0] = 1;
             comp.MOLEPCT[0] = 50.0f;
             return call_comppvt(comp, b);
         }},
    };
    for (const WayOut& w : ways) {
        const Call c = w.call();
        EXPECT_EQ(c.IERR, w.ierr) << w.name << ": " << c.msg;
        EXPECT_NE(c.msg, BUSY) << w.name;
        PVTBLK b{};
        const Call next = call_blackoil(0.8f, 850.0f, 100.0f, 10.0f, b);
        EXPECT_EQ(next.IERR, 0) << "after " << w.name << ": " << next.msg;
    }
}

// The process locale of a program with a comma decimal point (a Qt program
// sets the user's): the fluid tables and both example runs write the bytes of
// a C-locale run, the process keeps its locale, and the callback runs in it.
TEST(ProcessLocale, comma_decimal_locale_changes_no_byte_of_the_results) {
    ASSERT_TRUE(lib().release) << dlerror();
    const char* stems[] = {"one_branch_blackoil", "gas_pipeline_comppvt"};
    for (const char* s : stems) lone(s);
    struct BackToC {
        ~BackToC() { std::setlocale(LC_ALL, "C"); }
    } back_to_c;
    ASSERT_TRUE(std::setlocale(LC_ALL, "de_DE.UTF-8"))
        << "de_DE.UTF-8 is not installed: scripts/install-deps.sh makes it";
    Scratch dir("one_call_locale");
    static std::string seen_in_callback;
    seen_in_callback.clear();
    auto callback = [](int32_t) -> int32_t {
        if (seen_in_callback.empty()) {
            char b[16];
            std::snprintf(b, sizeof b, "%.1f", 0.5);
            seen_in_callback = b;
        }
        return 0;
    };
    for (const char* s : stems) expect_same_run(run(s, dir, s, callback), lone(s), s);
    EXPECT_EQ(seen_in_callback, "0,5") << "the callback ran in another locale than its caller's";
    EXPECT_STREQ(std::localeconv()->decimal_point, ",") << "the library changed the process locale";
}

// A long run's percentage can hold still while the run goes on; the callback
// asks the library how far the run has got in simulated time. Asking does
// not change the run.
TEST(SimulatedTime, the_callback_learns_the_time_since_the_leak_opened) {
    ASSERT_TRUE(lib().reltim) << dlerror();
    struct Seen {
        int32_t percent;
        double seconds;
        int32_t held;
    };
    static std::vector<Seen> seen;
    auto callback = [](int32_t percent) -> int32_t {
        Seen s{percent, -1.0, -1};
        lib().reltim(&s.seconds, &s.held);
        seen.push_back(s);
        return 0;
    };
    Scratch dir("one_call_simulated_time");
    for (const char* stem : {"one_branch_blackoil", "gas_pipeline_comppvt"}) {
        seen.clear();
        const RunFiles r = run(stem, dir, stem, callback);
        expect_same_run(r, lone(stem), stem);
        ASSERT_FALSE(seen.empty()) << stem;
        EXPECT_EQ(seen.front().seconds, 0.0) << stem << ": the leak opens after the warm-up";
        for (size_t i = 1; i < seen.size(); ++i) {
            const Seen &a = seen[i - 1], &b = seen[i];
            ASSERT_GE(b.seconds, a.seconds) << stem << " step " << i;
            ASSERT_GE(b.held, a.held) << stem << " step " << i << ": held, then not";
            // A full bar no longer follows the run.
            if (b.percent >= 100) {
                ASSERT_EQ(b.held, 1) << stem << " step " << i;
            }
        }
        // The release ends within the run; the run may go on a little after it.
        EXPECT_GE(seen.back().seconds, double(r.call.sum.time) - 1.0) << stem;
        EXPECT_GT(r.call.sum.time, 0.0f) << stem;
        double seconds = -1.0;
        int32_t held = -1;
        lib().reltim(&seconds, &held);
        EXPECT_EQ(seconds, 0.0) << stem << ": outside a run";
        EXPECT_EQ(held, 0) << stem << ": outside a run";
    }
}

}  // namespace

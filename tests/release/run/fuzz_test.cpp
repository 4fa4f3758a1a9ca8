// A seeded mutation fuzzer of the three exports, driven through the built
// shared library. Its seeds are the bundled example cases; every iteration
// takes one, changes a few words of its input record, its run options and
// its fluid (black-oil parameters, composition, or the filled property
// tables) to values that break assumptions (0, -1, NaN, infinities, 1e20,
// denormals, scaled or nudged values, flipped bits), and calls BLACKOIL or
// COMPPVT and then RELEASE. What must hold, whatever the input:
//   - no crash (the sanitizer build checks memory and undefined behaviour);
//   - IERR is 0, 1 or 9999, with a message when it is 1;
//   - a fluid export that answers 0 leaves finite tables, positive where the
//     quantity can only be positive;
//   - RELEASE that answers 0 leaves finite summary words at or above 0 and a
//     result file whose every number is finite; any other answer leaves the
//     summary block untouched.
// Each run is stopped through the progress callback after a fixed number of
// steps (IERR 9999), so a mutated input cannot make an iteration long. The
// number of iterations is fixed; RELEASE_FUZZ_ITERATIONS and RELEASE_FUZZ_SEED
// run a longer or another campaign by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "case_file.h"
#include "exported.h"

using namespace exported;

namespace {

// Iterations of a test run: enough to pass through set-up refusals, fluid
// refusals and a few whole runs; the sanitizer pass keeps it short.
constexpr int RELEASE_ITERATIONS = 10;
constexpr int FLUID_ITERATIONS = 200;
// Steps after which a run is stopped: a run of 600 s after the warm-up fits.
constexpr int32_t STEP_BUDGET = 15000;
// The example cases run their release for 600 s only.
constexpr float FUZZ_END_TIME = 600.0f;

int env_int(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

// --------------------------------------------------------------- mutations

struct Word {
    std::string name;
    void* at;
    bool integer;
};

float mutated_float(float v, std::mt19937& rng) {
    const float special[] = {0.0f,
                             -0.0f,
                             1.0f,
                             -1.0f,
                             std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(),
                             1.0e20f,
                             -1.0e20f,
                             1.0e-20f,
                             std::numeric_limits<float>::denorm_min(),
                             std::numeric_limits<float>::max(),
                             1.0e-5f};
    std::uniform_int_distribution<int> kind(0, 5);
    switch (kind(rng)) {
        case 0:
        case 1:
            return special[std::uniform_int_distribution<size_t>(0, std::size(special) - 1)(rng)];
        case 2: {  // scaled by 1e-3 .. 1e3, either sign
            const float f =
                std::pow(10.0f, std::uniform_real_distribution<float>(-3.0f, 3.0f)(rng));
            return v * (std::bernoulli_distribution(0.2)(rng) ? -f : f);
        }
        case 3:  // nudged: rounding-sized changes near the value
            return v * (1.0f + std::uniform_real_distribution<float>(-1e-4f, 1e-4f)(rng));
        case 4: {  // one bit flipped
            uint32_t bits;
            std::memcpy(&bits, &v, 4);
            bits ^= 1u << std::uniform_int_distribution<int>(0, 31)(rng);
            std::memcpy(&v, &bits, 4);
            return v;
        }
        default:
            return std::uniform_real_distribution<float>(-2000.0f, 2000.0f)(rng);
    }
}

int32_t mutated_int(int32_t v, std::mt19937& rng) {
    const int32_t special[] = {0,
                               -1,
                               1,
                               2,
                               3,
                               4,
                               5,
                               15,
                               16,
                               29,
                               30,
                               31,
                               100,
                               101,
                               199,
                               200,
                               std::numeric_limits<int32_t>::max(),
                               std::numeric_limits<int32_t>::min()};
    std::uniform_int_distribution<int> kind(0, 2);
    switch (kind(rng)) {
        case 0:
            return special[std::uniform_int_distribution<size_t>(0, std::size(special) - 1)(rng)];
        case 1:
            return v + std::uniform_int_distribution<int32_t>(-2, 2)(rng);
        default:
            return std::uniform_int_distribution<int32_t>(-3, 40)(rng);
    }
}

// Applies one mutation to a word picked from the list; returns what it did.
std::string mutate(const std::vector<Word>& words, std::mt19937& rng) {
    if (words.empty()) return {};
    const Word& w = words[std::uniform_int_distribution<size_t>(0, words.size() - 1)(rng)];
    std::ostringstream os;
    os << w.name << ": ";
    if (w.integer) {
        int32_t& v = *static_cast<int32_t*>(w.at);
        os << v << " -> ";
        v = mutated_int(v, rng);
        os << v;
    } else {
        float& v = *static_cast<float*>(w.at);
        os << v << " -> ";
        v = mutated_float(v, rng);
        os << v;
    }
    return os.str();
}

std::string idx(const char* name, int i) {
    return std::string(name) + "[" + std::to_string(i) + "]";
}

// The words of the record the library reads, by the groups a mutation picks
// from: the network header, the used branches and pipes, inlets and outlet,
// the leak, the run options.
std::vector<std::vector<Word>> record_groups(ReleaseInput& r, ReleaseControl& ctl) {
    std::vector<std::vector<Word>> g(5);
    g[0].push_back({"NBR", &r.net.NBR, true});
    g[0].push_back({"NJUN", &r.net.NJUN, true});
    for (int j = 0; j < 3; ++j) g[0].push_back({idx("NBJ", j), &r.net.NBJ[j], true});
    for (int j = 0; j < 15; ++j) g[0].push_back({idx("IBJ", j), &r.net.IBJ[j], true});
    const int nbr = std::clamp(r.net.NBR, 1, 15);
    for (int b = 0; b < nbr; ++b) {
        BRREC& br = r.br[b];
        const std::string at = idx("br", b);
        g[1].push_back({at + ".NPIPE", &br.NPIPE, true});
        g[1].push_back({at + ".XBR0", &br.XBR0, false});
        g[1].push_back({at + ".ZBR0", &br.ZBR0, false});
        for (int p = 0; p < std::clamp(br.NPIPE, 1, 100); ++p) {
            PIPSEG& s = br.PIPE[p];
            const std::string pp = at + idx(".PIPE", p);
            g[1].push_back({pp + ".NSECT", &s.NSECT, true});
            float* f[] = {&s.DIAM, &s.ROUGH, &s.HTC, &s.TAMB, &s.XSTA, &s.ZSTA, &s.XEND, &s.ZEND};
            const char* n[] = {"DIAM", "ROUGH", "HTC", "TAMB", "XSTA", "ZSTA", "XEND", "ZEND"};
            for (int k = 0; k < 8; ++k) g[1].push_back({pp + "." + n[k], f[k], false});
        }
        g[2].push_back({idx("QIN", b), &r.bnd.QIN[b], false});
        g[2].push_back({idx("TIN", b), &r.bnd.TIN[b], false});
        g[2].push_back({idx("TCLIN", b), &r.bnd.TCLIN[b], false});
    }
    g[2].push_back({"POUT", &r.bnd.POUT, false});
    g[2].push_back({"TCLOUT", &r.bnd.TCLOUT, false});
    g[3].push_back({"LEKTYP", &r.lek.LEKTYP, true});
    g[3].push_back({"LEKBR", &r.lek.LEKBR, true});
    g[3].push_back({"LEKX", &r.lek.LEKX, false});
    g[3].push_back({"LEKDIA", &r.lek.LEKDIA, false});
    g[3].push_back({"LEKPB", &r.lek.LEKPB, false});
    g[4].push_back({"TUSER", &ctl.TUSER, false});
    g[4].push_back({"NOTEMP", &ctl.NOTEMP, true});
    return g;
}

// Scales the fractions of a composition to sum to 100 % when they can be.
void rescale_fractions(COMPREC& c) {
    double sum = 0.0;
    const int n = std::clamp(c.NCOMP, 0, 30);
    for (int k = 0; k < n; ++k) sum += c.MOLEPCT[k];
    if (!(sum > 0.0) || !std::isfinite(sum)) return;
    for (int k = 0; k < n; ++k) c.MOLEPCT[k] = static_cast<float>(c.MOLEPCT[k] * 100.0 / sum);
}

// The fluid the fluid export reads.
std::vector<Word> fluid_words(cases::Fluid& f, COMPREC& comp) {
    std::vector<Word> w;
    if (f.kind == cases::Fluid::Kind::BlackOil) {
        w.push_back({"gas_density", &f.gas_density, false});
        w.push_back({"oil_density", &f.oil_density, false});
        w.push_back({"gor", &f.gor, false});
        w.push_back({"water_cut", &f.water_cut, false});
        return w;
    }
    w.push_back({"NCOMP", &comp.NCOMP, true});
    for (int k = 0; k < std::clamp(comp.NCOMP + 1, 1, 30); ++k) {
        w.push_back({idx("MODEL", k), &comp.MODEL[k], true});
        w.push_back({idx("MOLEPCT", k), &comp.MOLEPCT[k], false});
        w.push_back({idx("MOLWT", k), &comp.MOLWT[k], false});
        w.push_back({idx("LIQDEN", k), &comp.LIQDEN[k], false});
    }
    return w;
}

// A composition gains a plus fraction of random mole weight and liquid
// density (in either unit), and its fractions are scaled back to 100 %: the
// space where a characterisation can break down.
std::string add_plus_fraction(COMPREC& c, std::mt19937& rng) {
    if (c.NCOMP < 0 || c.NCOMP >= 30) return "no room for a plus fraction";
    const int k = c.NCOMP++;
    auto log_uniform = [&](float lo, float hi) {
        return std::exp(std::uniform_real_distribution<float>(std::log(lo), std::log(hi))(rng));
    };
    c.MODEL[k] = std::uniform_int_distribution<int32_t>(12, 29)(rng);
    c.MOLEPCT[k] = log_uniform(0.01f, 60.0f);
    c.MOLWT[k] = log_uniform(20.0f, 3000.0f);
    c.LIQDEN[k] = std::bernoulli_distribution(0.2)(rng) ? log_uniform(0.3f, 10000.0f)
                                                        : log_uniform(500.0f, 1300.0f);
    rescale_fractions(c);
    std::ostringstream os;
    os << "plus fraction model " << c.MODEL[k] << ", " << c.MOLEPCT[k] << " %, " << c.MOLWT[k]
       << " g/mol, " << c.LIQDEN[k] << " kg/m3";
    return os.str();
}

// The filled block: its counts, grids, tables and standard words.
std::vector<Word> table_words(PVTBLK& p, std::mt19937& rng) {
    std::vector<Word> w;
    w.push_back({"NP", &p.NP, true});
    w.push_back({"NT", &p.NT, true});
    for (int i = 0; i < 20; ++i) w.push_back({idx("P", i), &p.P[i], false});
    for (int j = 0; j < 20; ++j) w.push_back({idx("T", j), &p.T[j], false});
    // A handful of table entries rather than all 6400.
    for (int n = 0; n < 16; ++n) {
        const int k = std::uniform_int_distribution<int>(0, 15)(rng);
        const int i = std::uniform_int_distribution<int>(0, 19)(rng);
        const int j = std::uniform_int_distribution<int>(0, 19)(rng);
        w.push_back(
            {"TAB[" + std::to_string(k) + "][" + std::to_string(i) + "][" + std::to_string(j) + "]",
             &p.TAB[k][i][j], false});
    }
    float* s[] = {&p.WCUT, &p.ROGST, &p.ROLST, &p.GORST, &p.BETAST};
    const char* n[] = {"WCUT", "ROGST", "ROLST", "GORST", "BETAST"};
    for (int k = 0; k < 5; ++k) w.push_back({n[k], s[k], false});
    return w;
}

// --------------------------------------------------------------- seeds

std::vector<cases::Case>& seeds() {
    static std::vector<cases::Case> all = [] {
        std::vector<cases::Case> v;
        for (const char* f : {"one_branch_blackoil.json", "three_branch_junction.json",
                              "gas_pipeline_comppvt.json"})
            v.push_back(cases::load_case(std::string(RELEASE_SOURCE_DIR) + "/examples/cases/" + f));
        return v;
    }();
    return all;
}

// --------------------------------------------------------------- invariants

// The used part of a block that a fluid export answered 0 for.
std::string table_fault(const PVTBLK& p) {
    if (p.NP < 2 || p.NP > 20 || p.NT < 2 || p.NT > 20) return "grid size";
    const bool positive[16] = {true, true, false, false, false, false, false, true,
                               true, true, true,  false, false, true,  true,  false};
    for (int k = 0; k < 16; ++k)
        for (int i = 0; i < p.NP; ++i)
            for (int j = 0; j < p.NT; ++j) {
                const float v = p.TAB[k][i][j];
                if (!std::isfinite(v) || (positive[k] && !(v > 0.0f)))
                    return "table " + std::to_string(k + 1) + " at (" + std::to_string(i + 1) +
                           ", " + std::to_string(j + 1) + ") = " + std::to_string(v);
            }
    return {};
}

// Every number in the rows of a result file; the first that is not finite.
std::string plot_fault(const std::string& path) {
    std::ifstream f(path);
    if (!f) return "no result file";
    std::string line;
    for (int n = 0; std::getline(f, line); ++n) {
        if (n < 3) continue;  // names, units, positions
        std::istringstream row(line);
        for (std::string tok; row >> tok;) {
            char* end = nullptr;
            const double v = std::strtod(tok.c_str(), &end);
            if (end == tok.c_str() || *end != '\0' || !std::isfinite(v))
                return "row " + std::to_string(n + 1) + ": \"" + tok + "\"";
        }
    }
    return {};
}

std::string summary_fault(const DischargeSummary& s, bool must_be_zero) {
    const float* w = &s.time;
    for (int i = 0; i < 11; ++i) {
        if (must_be_zero ? w[i] != 0.0f : !(std::isfinite(w[i]) && w[i] >= 0.0f))
            return "summary word " + std::to_string(i) + " = " + std::to_string(w[i]);
    }
    return {};
}

int32_t g_steps = 0;
int32_t stop_after_budget(int32_t) { return ++g_steps > STEP_BUDGET ? 1 : 0; }

struct Outcome {
    std::string trail;  // what was changed
    std::string fault;  // the first invariant that failed, empty if none
};

Outcome failed(Outcome& o, const std::string& fault) {
    o.fault = fault;
    return o;
}

// One iteration: mutate a seed, fill the fluid tables, run.
Outcome iteration(uint32_t seed, const exported::Scratch& dir, bool run_release) {
    std::mt19937 rng(seed);
    const cases::Case& base =
        seeds()[std::uniform_int_distribution<size_t>(0, seeds().size() - 1)(rng)];
    Outcome out;
    out.trail = base.source;
    ReleaseInput rec = *base.input;
    ReleaseControl ctl = base.control;
    ctl.TUSER = FUZZ_END_TIME;
    cases::Fluid fluid = base.fluid;
    COMPREC comp = cases::make_comprec(fluid);

    auto groups = record_groups(rec, ctl);
    groups.push_back(fluid_words(fluid, comp));
    const int n = std::uniform_int_distribution<int>(1, 3)(rng);
    for (int k = 0; k < n; ++k) {
        // Fluid-only campaigns mutate the fluid; others any group.
        auto& g = run_release
                      ? groups[std::uniform_int_distribution<size_t>(0, groups.size() - 1)(rng)]
                      : groups.back();
        out.trail += "; " + mutate(g, rng);
    }
    if (fluid.kind == cases::Fluid::Kind::Composition) {
        if (std::bernoulli_distribution(run_release ? 0.2 : 0.5)(rng))
            out.trail += "; " + add_plus_fraction(comp, rng);
        else if (std::bernoulli_distribution(0.5)(rng))
            rescale_fractions(comp);
    }

    Call fc;
    if (fluid.kind == cases::Fluid::Kind::BlackOil)
        fc = call_blackoil(fluid.gas_density, fluid.oil_density, fluid.gor, fluid.water_cut,
                           rec.pvt);
    else
        fc = call_comppvt(comp, rec.pvt);
    out.trail += " => fluid IERR " + std::to_string(fc.IERR) + " \"" + fc.msg + "\"";
    if (fc.IERR != 0 && fc.IERR != 1) return failed(out, "fluid IERR " + std::to_string(fc.IERR));
    if (fc.IERR == 1 && fc.msg.empty()) return failed(out, "fluid refusal without a message");
    if (fc.msg_overrun) return failed(out, "fluid message past its length");
    if (fc.IERR == 0) {
        if (std::string t = table_fault(rec.pvt); !t.empty())
            return failed(out, "fluid tables: " + t);
    }
    if (!run_release) return out;

    // Sometimes the filled tables themselves are damaged.
    if (std::bernoulli_distribution(0.25)(rng)) {
        auto tw = table_words(rec.pvt, rng);
        out.trail += "; " + mutate(tw, rng);
    }
    const std::string path = dir.path("fuzz.$$$");
    std::remove(dir.path("fuzz.plt").c_str());
    g_steps = 0;
    const Call c = call_release(rec, ctl, path, stop_after_budget);
    out.trail += " => IERR " + std::to_string(c.IERR) + " \"" + c.msg + "\"";
    if (c.IERR != 0 && c.IERR != 1 && c.IERR != 9999) return failed(out, "IERR");
    if (c.IERR == 1 && c.msg.empty()) return failed(out, "refusal without a message");
    if (c.msg_overrun) return failed(out, "message past 256 characters");
    if (c.IERR != 0) {
        if (std::string s = summary_fault(c.sum, true); !s.empty())
            return failed(out, "written on failure: " + s);
        return out;
    }
    if (std::string s = summary_fault(c.sum, false); !s.empty()) return failed(out, s);
    if (std::string p = plot_fault(dir.path("fuzz.plt")); !p.empty())
        return failed(out, "result file " + p);
    return out;
}

void campaign(const char* name, int default_iterations, bool run_release) {
    ASSERT_TRUE(lib().release && lib().blackoil && lib().comppvt) << dlerror();
    const int iterations = env_int("RELEASE_FUZZ_ITERATIONS", default_iterations);
    const uint32_t base = static_cast<uint32_t>(env_int("RELEASE_FUZZ_SEED", 20240611));
    exported::Scratch dir(name);
    int failures = 0;
    for (int i = 0; i < iterations && failures < 5; ++i) {
        const uint32_t seed = base + static_cast<uint32_t>(i) * 7919u;
        const Outcome o = iteration(seed, dir, run_release);
        if (std::getenv("RELEASE_FUZZ_VERBOSE")) std::printf("%u %s\n", seed, o.trail.c_str());
        if (!o.fault.empty()) {
            ++failures;
            ADD_FAILURE() << o.fault << "\n  seed " << seed << ": " << o.trail;
        }
    }
}

}  // namespace

TEST(Fuzz, FluidExportsGiveUsableTablesOrARefusal) {
    campaign("release_fuzz_fluid", FLUID_ITERATIONS, false);
}

TEST(Fuzz, ReleaseAnswersWithAMessageOrFiniteResults) {
    campaign("release_fuzz_run", RELEASE_ITERATIONS, true);
}

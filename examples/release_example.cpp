// Runs the library on case files: for each file given on the command line,
// fills the fluid-property tables (BLACKOIL or COMPPVT), calls RELEASE with
// the result path "<case-stem>.$$$" in the current directory and prints what
// came back. Exit status 1 when any case could not be read, its fluid tables
// could not be filled or RELEASE returned an error (IERR not 0), else 0; a
// warning in MSG with IERR 0 is a success.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "case_file.h"
#include "release/release.h"

namespace {

std::string trimmed(const char* msg, int len) {
    int n = len;
    while (n > 0 && (msg[n - 1] == ' ' || msg[n - 1] == '\0')) --n;
    return std::string(msg, n);
}

struct Word {
    const char* name;
    const char* unit;
};
// The 11 words of the discharge summary, in their order.
const Word kSummary[11] = {
    {"time", "s"},
    {"peak_total_mass", "kg/s"},
    {"peak_oil_out", "m3/s"},
    {"peak_gas_out", "m3/s"},
    {"peak_oil_out_std", "Sm3/s"},
    {"peak_gas_out_std", "Sm3/s"},
    {"total_mass", "kg"},
    {"oil_out", "m3"},
    {"gas_out", "m3"},
    {"oil_out_std", "Sm3"},
    {"gas_out_std", "Sm3"},
};

// Fills the property block; false (and the library's message) on a refusal.
bool fill_fluid(cases::Case& c) {
    constexpr int32_t kLen = 1024;
    char msg[kLen];
    std::memset(msg, ' ', kLen);
    int32_t ierr = 0;
    cases::Fluid& f = c.fluid;
    const char* who;
    if (f.kind == cases::Fluid::Kind::BlackOil) {
        who = "BLACKOIL";
        BLACKOIL(&f.gas_density, &f.oil_density, &f.gor, &f.water_cut, &c.input->pvt, &ierr, msg,
                 kLen);
    } else {
        who = "COMPPVT";
        COMPREC comp = cases::make_comprec(f);
        COMPPVT(&comp, &c.input->pvt, &ierr, msg, kLen);
    }
    if (ierr != 0) {
        std::printf("  %s IERR = %d\n  %s MSG  = %s\n", who, ierr, who, trimmed(msg, kLen).c_str());
        std::printf("  RELEASE not called: the fluid-property tables could not be filled\n");
        return false;
    }
    return true;
}

// Runs one case; false when it did not succeed.
bool run_case(cases::Case& c, const std::string& path) {
    if (!c.description.empty()) std::printf("  %s\n", c.description.c_str());
    if (!fill_fluid(c)) return false;
    std::string result = std::filesystem::path(path).stem().string() + ".$$$";
    DischargeSummary summary;
    std::memset(&summary, 0, sizeof summary);
    ReleaseProgressFn no_callback = nullptr;
    char msg[256];
    std::memset(msg, ' ', sizeof msg);
    int32_t ierr = 0;
    ReleaseInput& in = *c.input;
    RELEASE(&in.net, in.br, &in.bnd, &in.lek, &in.pvt, &c.control, &summary, result.c_str(),
            static_cast<int32_t>(result.size()), &no_callback, &ierr, msg, 256);
    std::printf("  IERR = %d\n  MSG  = %s\n", ierr, trimmed(msg, 256).c_str());
    if (ierr != 0) return false;
    const float* words = &summary.time;
    for (int i = 0; i < 11; ++i)
        std::printf("  %-17s %14.6g %s\n", kSummary[i].name, static_cast<double>(words[i]),
                    kSummary[i].unit);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s case.json...\n", argv[0]);
        return 1;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        std::printf("case %s\n", argv[i]);
        try {
            cases::Case c = cases::load_case(argv[i]);
            if (!run_case(c, argv[i])) status = 1;
        } catch (const cases::CaseError& e) {
            std::printf("  cannot use the case file: %s\n", e.what());
            status = 1;
        }
        std::fflush(stdout);
    }
    return status;
}

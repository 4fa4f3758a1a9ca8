#include "fluid_tables.h"

#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace {

constexpr int MAX_COMPONENTS = 30;
constexpr int MESSAGE_LENGTH = 1024;

// The library pads its message with blanks; a NUL may end it earlier.
QString libraryMessage(const char* msg) {
    size_t n = std::strlen(msg);
    while (n > 0 && msg[n - 1] == ' ') --n;
    return QString::fromLatin1(msg, static_cast<qsizetype>(n));
}

[[noreturn]] void refuse(unsigned id, QString& warning, const QString& text) {
    warning += text;
    throw ValidationError{id, 0};
}

// The tables of the compositions built last. A build takes tens of
// milliseconds on the window thread, and Verify Layout and Calculate Discharge
// ask for the same tables again while the scenario is unchanged. The library
// fixes the grid itself and is linked for the life of the process, so the
// composition record alone decides the tables.
struct BuiltTables {
    COMPREC comp;
    PVTBLK blk;
};
constexpr size_t KEPT_TABLES = 4;
std::mutex builtMutex;
std::deque<BuiltTables> built;
std::atomic<decltype(&COMPPVT)> compositionEntry{nullptr};
thread_local TableBuildWait tableBuildWait;

bool sameComposition(const COMPREC& a, const COMPREC& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// COMPPVT, or the block it gave for the same record before.
void compositionTables(const COMPREC& comp, PVTBLK& blk, int32_t& ierr, char* msg, int32_t len) {
    {
        const std::lock_guard<std::mutex> lock(builtMutex);
        for (const BuiltTables& t : built)
            if (sameComposition(t.comp, comp)) {
                blk = t.blk;
                return;
            }
    }
    COMPREC record = comp;
    decltype(&COMPPVT) entry = compositionEntry;
    if (!entry) entry = &COMPPVT;
    if (tableBuildWait) {
        // The caller's thread waits in its own way (a window goes on
        // painting) while the build runs on a thread of its own.
        std::atomic<bool> done{false};
        std::thread build([&] {
            entry(&record, &blk, &ierr, msg, len);
            done = true;
        });
        tableBuildWait([&done] { return done.load(); });
        build.join();
    } else {
        entry(&record, &blk, &ierr, msg, len);
    }
    if (ierr != 0) return;
    const std::lock_guard<std::mutex> lock(builtMutex);
    built.push_front({comp, blk});
    if (built.size() > KEPT_TABLES) built.pop_back();
}

}  // namespace

void ForgetFluidTables() {
    const std::lock_guard<std::mutex> lock(builtMutex);
    built.clear();
}

void SetCompositionTablesEntry(decltype(&COMPPVT) entry) { compositionEntry = entry; }

TableBuildWaitScope::TableBuildWaitScope(TableBuildWait wait)
    : m_previous(std::move(tableBuildWait)) {
    tableBuildWait = std::move(wait);
}

TableBuildWaitScope::~TableBuildWaitScope() { tableBuildWait = std::move(m_previous); }

COMPREC BuildComposition(const std::vector<FluidComponent>& components, QString& warning) {
    COMPREC comp;
    std::memset(&comp, 0, sizeof comp);
    int n = 0;
    for (const FluidComponent& c : components) {
        if (c.model_idx <= 0)
            refuse(IDS_COMPOSITION_ERROR, warning,
                   QStringLiteral("Component ") + c.name +
                       QStringLiteral(" is not known to the Release module"));
        if (n == MAX_COMPONENTS)
            refuse(IDS_COMPOSITION_ERROR, warning,
                   QStringLiteral("Too many components specified (max ZEFR_NCOMP)"));
        // A heavy fraction whose density the user has not yet entered must
        // not reach the library as 0: its characterisation would use d = 0.
        if (c.HasLiquidDensity() && c.liquid_density < 0)
            refuse(
                IDS_COMPOSITION_ERROR, warning,
                QStringLiteral("Liquid density must be specified for component %1").arg(c.compid));
        comp.MODEL[n] = c.model_idx;
        comp.MOLEPCT[n] = c.fraction;
        comp.MOLWT[n] = c.mole_weight;
        comp.LIQDEN[n] = c.HasLiquidDensity() ? c.liquid_density : 0.0f;
        ++n;
    }
    comp.NCOMP = n;
    return comp;
}

void BuildFluidTables(orvane::ReleaseInput& input, int fluidClass, float gasDensity,
                      float oilDensity, float gasOilRatio, float waterCut,
                      const std::vector<FluidComponent>& components, QString& warning) {
    char msg[MESSAGE_LENGTH + 1];
    std::memset(msg, ' ', sizeof msg);
    msg[0] = '\0';
    msg[MESSAGE_LENGTH] = '\0';
    int32_t ierr = 0;

    input.pvt.ROGST = gasDensity;
    input.pvt.ROLST = oilDensity;
    input.pvt.GORST = gasOilRatio;
    input.pvt.BETAST = 0.0f;

    if (fluidClass == FLUID_BLACK_OIL) {
        input.ScaleInletRates(gasDensity, oilDensity, gasOilRatio, waterCut);
        BLACKOIL(&gasDensity, &oilDensity, &gasOilRatio, &waterCut, input.PvtBlock(), &ierr, msg,
                 MESSAGE_LENGTH);
        if (ierr != 0) refuse(IDS_BLACKOIL_ERROR, warning, libraryMessage(msg));
    } else if (fluidClass == FLUID_GAS_COMPOSITION) {
        COMPREC comp = BuildComposition(components, warning);
        compositionTables(comp, *input.PvtBlock(), ierr, msg, MESSAGE_LENGTH);
        if (ierr != 0) refuse(IDS_COMPOSITION_ERROR, warning, libraryMessage(msg));
        if (!input.ScaleInletRatesByDensity(input.pvt.BETAST, input.pvt.ROGST))
            throw ValidationError{IDS_FLUID_RATES, 0};
    } else {
        throw ValidationError{IDS_UNKNOWN_FLUID_CLASS, 0};
    }
}

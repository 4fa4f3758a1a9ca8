#include "fluid_tables.h"

#include <cstring>

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

}  // namespace

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
        COMPPVT(&comp, input.PvtBlock(), &ierr, msg, MESSAGE_LENGTH);
        if (ierr != 0) refuse(IDS_COMPOSITION_ERROR, warning, libraryMessage(msg));
        if (!input.ScaleInletRatesByDensity(input.pvt.BETAST, input.pvt.ROGST))
            throw ValidationError{IDS_FLUID_RATES, 0};
    } else {
        throw ValidationError{IDS_UNKNOWN_FLUID_CLASS, 0};
    }
}

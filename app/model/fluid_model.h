// The scenario's fluid: a black oil (four numbers) or a gas composition (a
// list of components taken from the catalogue "fluidcomps.txt"), each with a
// confirmed flag that a discharge run insists on.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <limits>
#include <vector>

// Fluid classes of the discharge model.
constexpr int FLUID_BLACK_OIL = 0;
constexpr int FLUID_GAS_COMPOSITION = 1;

// The quantity key of an inlet's flow rate as the runs read it: with a black
// oil the total liquid rate (oil and water at standard conditions), with a
// composition the gas rate. Both are kept in Sm3/d, so a stored rate keeps
// its number whichever fluid reads it.
inline const char* InletRateKey(int fluidClass) {
    return fluidClass == FLUID_BLACK_OIL ? "LIQFLOWRATE" : "GASFLOWRATE";
}

class CBlackOilModel {
public:
    // Stores the four values and marks them confirmed.
    void Set(float gasDensity, float oilDensity, float gasOilRatio, float waterCut);

    bool confirmed = false;
    // Attribute names of values repaired when the file was opened (empty or
    // unreadable), not yet confirmed; they leave the black oil unconfirmed.
    QStringList repaired;
    float gas_density = 0.800923f;     // kg/Sm3
    float oil_density = 778.87164f;    // kg/Sm3
    float gas_oil_ratio = 195.91873f;  // Sm3/Sm3
    float water_cut = 0.0f;            // percent, 0..100
};

// Liquid density marks of a component.
inline float NoLiquidDensity() { return std::numeric_limits<float>::quiet_NaN(); }
constexpr float LIQUID_DENSITY_MUST_BE_ENTERED = -1.0f;

struct FluidComponent {
    QString compid;  // catalogue identifier, the key rows are matched by
    QString name;
    int32_t model_idx = 0;                     // index in the library's component model; 0 unknown
    float mole_weight = 0;                     // g/mol
    float liquid_density = NoLiquidDensity();  // kg/m3; NaN none, -1 must be entered
    float fraction = 0;                        // mole percent; 0 = not part of the gas

    // model index > 0, mole weight > 0, density none or positive.
    bool IsUsable() const;
    bool HasLiquidDensity() const { return liquid_density == liquid_density; }
};

// The document's component list.
struct FluidComponentList {
    std::vector<FluidComponent> components;
    bool comps_confirmed = false;
    // "compid attribute" of values repaired when the file was opened, not
    // yet confirmed; they leave the composition unconfirmed.
    QStringList repaired;
};

// User data of the scenario file's "fluid" section: refers to the
// document's black oil and component list.
class CFluidModel {
public:
    CFluidModel(CBlackOilModel& blackOil, FluidComponentList& components)
        : m_blackOil(&blackOil), m_components(&components) {}

    // Class 0: black oil confirmed; class 1: components confirmed; else false.
    bool IsConfirmed(int fluidClass) const;

    CBlackOilModel& BlackOil() const { return *m_blackOil; }
    FluidComponentList& Components() const { return *m_components; }

private:
    CBlackOilModel* m_blackOil;
    FluidComponentList* m_components;
};

// Reads the component catalogue: per line compid, model index, mole weight,
// liquid density ("-" none, "+" must be entered, or kg/m3), name. Lines
// starting with "#" or blank are skipped, malformed lines add nothing. A
// missing file or an empty path gives an empty catalogue.
std::vector<FluidComponent> ReadFluidCatalogue(const QString& path);
// Program directory + "fluidcomps.txt".
QString FluidCataloguePath();

// The working list of the Gas Properties dialog: the catalogue, where each
// document component with the same compid copies its mole weight, liquid
// density and fraction over the catalogue entry; document components the
// catalogue lacks are appended as they are.
std::vector<FluidComponent> MergeWithCatalogue(std::vector<FluidComponent> catalogue,
                                               const std::vector<FluidComponent>& document);
// What a confirmed composition keeps of the dialog's rows: the usable ones
// with a fraction above 0, in order.
std::vector<FluidComponent> ConfirmedComponents(const std::vector<FluidComponent>& rows);

#include "fluid_model.h"

#include "system_settings.h"

#include <QFile>

#include <algorithm>

#include <locale>
#include <sstream>
#include <string>

void CBlackOilModel::Set(float gasDensity, float oilDensity, float gasOilRatio, float waterCut) {
    gas_density = gasDensity;
    oil_density = oilDensity;
    gas_oil_ratio = gasOilRatio;
    water_cut = waterCut;
    confirmed = true;
    repaired.clear();
}

bool FluidComponent::IsUsable() const {
    return model_idx > 0 && mole_weight > 0 && (!HasLiquidDensity() || liquid_density > 0);
}

bool CFluidModel::IsConfirmed(int fluidClass) const {
    if (fluidClass == FLUID_BLACK_OIL) return m_blackOil->confirmed;
    if (fluidClass == FLUID_GAS_COMPOSITION) return m_components->comps_confirmed;
    return false;
}

std::vector<FluidComponent> ReadFluidCatalogue(const QString& path) {
    std::vector<FluidComponent> list;
    if (path.isEmpty()) return list;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return list;
    while (!file.atEnd()) {
        const std::string line = file.readLine().toStdString();
        std::istringstream in(line);
        in.imbue(std::locale::classic());
        std::string compid, density, name;
        FluidComponent c;
        if (!(in >> compid) || compid.front() == '#') continue;
        if (!(in >> c.model_idx >> c.mole_weight >> density >> name)) continue;
        if (density == "-") {
            c.liquid_density = NoLiquidDensity();
        } else if (density == "+") {
            c.liquid_density = LIQUID_DENSITY_MUST_BE_ENTERED;
        } else {
            std::istringstream num(density);
            num.imbue(std::locale::classic());
            if (!(num >> c.liquid_density) || !num.eof()) continue;
        }
        c.compid = QString::fromStdString(compid);
        c.name = QString::fromStdString(name);
        list.push_back(c);
    }
    return list;
}

QString FluidCataloguePath() {
    const CSystemSettings* s = AppSettings();
    return (s ? s->GetDataDir() : QStringLiteral("./")) + QStringLiteral("fluidcomps.txt");
}

std::vector<FluidComponent> MergeWithCatalogue(std::vector<FluidComponent> catalogue,
                                               const std::vector<FluidComponent>& document) {
    for (const FluidComponent& d : document) {
        auto it = std::find_if(catalogue.begin(), catalogue.end(),
                               [&d](const FluidComponent& c) { return c.compid == d.compid; });
        if (it == catalogue.end()) {
            catalogue.push_back(d);
            continue;
        }
        it->mole_weight = d.mole_weight;
        it->liquid_density = d.liquid_density;
        it->fraction = d.fraction;
    }
    return catalogue;
}

std::vector<FluidComponent> ConfirmedComponents(const std::vector<FluidComponent>& rows) {
    std::vector<FluidComponent> kept;
    for (const FluidComponent& c : rows)
        if (c.IsUsable() && c.fraction > 0) kept.push_back(c);
    return kept;
}

#include "fluid_section.h"

#include "fluid_model.h"

#include <vexil/dia_xml.h>

#include <glib.h>

#include <cstring>
#include <string>

namespace {

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

bool propIsTrue(xmlNodePtr node, const char* name) {
    xmlChar* v = xmlGetProp(node, X(name));
    bool on = v && std::strcmp(reinterpret_cast<const char*>(v), "true") == 0;
    xmlFree(v);
    return on;
}

QString takeString(char* text) {
    QString s = QString::fromUtf8(text ? text : "");
    g_free(text);
    return s;
}

void addReal(xmlNodePtr parent, const char* name, double value) {
    xml_add_real(xml_new_attribute(parent, name), value);
}

// Repairs not yet confirmed stay listed in the file, so that a save does not
// pass them off as entered values.
const char REPAIRED[] = "repaired";

void saveRepaired(xmlNodePtr parent, const QStringList& names) {
    if (names.isEmpty()) return;
    AttributeNode attr = xml_new_attribute(parent, REPAIRED);
    for (const QString& n : names) xml_add_string(attr, n.toUtf8().constData());
}

QStringList loadRepaired(xmlNodePtr parent) {
    QStringList names;
    AttributeNode attr = xml_find_attribute(parent, REPAIRED);
    for (DataNode d = attr ? xml_attribute_data(attr) : nullptr; d; d = xml_data_next(d)) {
        if (xml_data_type(d) != DATATYPE_STRING) continue;
        const QString name = takeString(xml_data_string(d));
        if (name.isEmpty() || names.contains(name)) continue;
        names << name;
        xml_damage_report(parent, name.toUtf8().constData(), "repaired when opened before",
                          "kept, not yet confirmed");
    }
    return names;
}

// A real of the section: its value, and its name in `repaired` when the
// reader put a default in the place of an empty or unreadable one.
float readSingle(xmlNodePtr node, const char* name, double dflt, QStringList& repaired,
                 const QString& shown) {
    const unsigned before = xml_damage_serial();
    const auto v = static_cast<float>(xml_attr_single(node, name, dflt));
    if (xml_damage_serial() != before && !repaired.contains(shown)) repaired << shown;
    return v;
}

}  // namespace

void SaveFluidSection(void* user_data, xmlNodePtr section) {
    const auto* fluid = static_cast<const CFluidModel*>(user_data);
    const CBlackOilModel& oil = fluid->BlackOil();
    xmlSetProp(section, X("confirmed"), X(oil.confirmed ? "true" : "false"));
    addReal(section, "gas_density", oil.gas_density);
    addReal(section, "oil_density", oil.oil_density);
    addReal(section, "gas_oil_ratio", oil.gas_oil_ratio);
    addReal(section, "water_cut", oil.water_cut);
    saveRepaired(section, oil.repaired);

    const FluidComponentList& list = fluid->Components();
    if (list.components.empty()) return;
    xmlSetProp(section, X("comps_confirmed"), X(list.comps_confirmed ? "true" : "false"));
    for (const FluidComponent& c : list.components) {
        DataNode comp = xml_add_composite(section, "fluid_component");
        xml_add_string(xml_new_attribute(comp, "compid"), c.compid.toUtf8().constData());
        xml_add_string(xml_new_attribute(comp, "name"), c.name.toUtf8().constData());
        xml_add_int(xml_new_attribute(comp, "model_idx"), c.model_idx);
        addReal(comp, "mole_weight", c.mole_weight);
        if (c.HasLiquidDensity()) addReal(comp, "liquid_density", c.liquid_density);
        if (c.fraction > 0) addReal(comp, "fraction", c.fraction);
    }
    if (!list.repaired.isEmpty()) {
        DataNode marks = xml_add_composite(section, "fluid_repairs");
        saveRepaired(marks, list.repaired);
    }
}

void LoadFluidSection(void* user_data, xmlNodePtr section) {
    auto* fluid = static_cast<CFluidModel*>(user_data);
    CBlackOilModel& oil = fluid->BlackOil();
    const CBlackOilModel defaults;
    oil.confirmed = propIsTrue(section, "confirmed");
    oil.repaired.clear();
    const struct {
        const char* name;
        float* field;
        float dflt;
    } values[] = {{"gas_density", &oil.gas_density, defaults.gas_density},
                  {"oil_density", &oil.oil_density, defaults.oil_density},
                  {"gas_oil_ratio", &oil.gas_oil_ratio, defaults.gas_oil_ratio},
                  {"water_cut", &oil.water_cut, defaults.water_cut}};
    for (const auto& v : values)
        *v.field = readSingle(section, v.name, v.dflt, oil.repaired, QString::fromLatin1(v.name));
    for (const QString& name : loadRepaired(section))
        if (!oil.repaired.contains(name)) oil.repaired << name;
    // A repaired black oil waits for the user's OK in its dialog.
    if (!oil.repaired.isEmpty()) oil.confirmed = false;

    FluidComponentList& list = fluid->Components();
    list.components.clear();
    list.comps_confirmed = propIsTrue(section, "comps_confirmed");
    list.repaired.clear();
    for (xmlNodePtr child = xml_first_child(section); child; child = xml_next_sibling(child)) {
        if (std::strcmp(reinterpret_cast<const char*>(child->name), "composite") != 0) continue;
        xmlChar* type = xmlGetProp(child, X("type"));
        const std::string typeName = type ? reinterpret_cast<const char*>(type) : "";
        xmlFree(type);
        if (typeName == "fluid_repairs") {
            for (const QString& name : loadRepaired(child))
                if (!list.repaired.contains(name)) list.repaired << name;
            continue;
        }
        if (typeName != "fluid_component") continue;
        char* compid = xml_attr_string(child, "compid", nullptr);
        if (!compid) continue;
        FluidComponent c;
        c.compid = takeString(compid);
        c.name = takeString(xml_attr_string(child, "name", ""));
        const unsigned before = xml_damage_serial();
        c.model_idx = xml_attr_int(child, "model_idx", 0);
        if (xml_damage_serial() != before) list.repaired << c.compid + QStringLiteral(" model_idx");
        c.mole_weight = readSingle(child, "mole_weight", 0.0, list.repaired,
                                   c.compid + QStringLiteral(" mole_weight"));
        c.liquid_density = readSingle(child, "liquid_density", NoLiquidDensity(), list.repaired,
                                      c.compid + QStringLiteral(" liquid_density"));
        c.fraction = readSingle(child, "fraction", 0.0, list.repaired,
                                c.compid + QStringLiteral(" fraction"));
        list.components.push_back(c);
    }
    // A repaired composition waits for the user's OK in its dialog.
    if (!list.repaired.isEmpty()) list.comps_confirmed = false;
}

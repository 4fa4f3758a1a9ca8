#include "fluid_section.h"

#include "fluid_model.h"

#include <vexil/dia_xml.h>

#include <glib.h>

#include <cstring>

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

}  // namespace

void SaveFluidSection(void* user_data, xmlNodePtr section) {
    const auto* fluid = static_cast<const CFluidModel*>(user_data);
    const CBlackOilModel& oil = fluid->BlackOil();
    xmlSetProp(section, X("confirmed"), X(oil.confirmed ? "true" : "false"));
    addReal(section, "gas_density", oil.gas_density);
    addReal(section, "oil_density", oil.oil_density);
    addReal(section, "gas_oil_ratio", oil.gas_oil_ratio);
    addReal(section, "water_cut", oil.water_cut);

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
}

void LoadFluidSection(void* user_data, xmlNodePtr section) {
    auto* fluid = static_cast<CFluidModel*>(user_data);
    CBlackOilModel& oil = fluid->BlackOil();
    const CBlackOilModel defaults;
    oil.confirmed = propIsTrue(section, "confirmed");
    oil.gas_density =
        static_cast<float>(xml_attr_single(section, "gas_density", defaults.gas_density));
    oil.oil_density =
        static_cast<float>(xml_attr_single(section, "oil_density", defaults.oil_density));
    oil.gas_oil_ratio =
        static_cast<float>(xml_attr_single(section, "gas_oil_ratio", defaults.gas_oil_ratio));
    oil.water_cut = static_cast<float>(xml_attr_single(section, "water_cut", defaults.water_cut));

    FluidComponentList& list = fluid->Components();
    list.components.clear();
    list.comps_confirmed = propIsTrue(section, "comps_confirmed");
    for (xmlNodePtr child = xml_first_child(section); child; child = xml_next_sibling(child)) {
        if (std::strcmp(reinterpret_cast<const char*>(child->name), "composite") != 0) continue;
        xmlChar* type = xmlGetProp(child, X("type"));
        bool isComponent =
            type && std::strcmp(reinterpret_cast<const char*>(type), "fluid_component") == 0;
        xmlFree(type);
        if (!isComponent) continue;
        char* compid = xml_attr_string(child, "compid", nullptr);
        if (!compid) continue;
        FluidComponent c;
        c.compid = takeString(compid);
        c.name = takeString(xml_attr_string(child, "name", ""));
        c.model_idx = xml_attr_int(child, "model_idx", 0);
        c.mole_weight = static_cast<float>(xml_attr_single(child, "mole_weight", 0.0));
        c.liquid_density =
            static_cast<float>(xml_attr_single(child, "liquid_density", NoLiquidDensity()));
        c.fraction = static_cast<float>(xml_attr_single(child, "fraction", 0.0));
        list.components.push_back(c);
    }
}

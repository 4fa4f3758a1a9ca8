// The scenario file's "fluid" section: what is written, and what loads back.
#include "fluid_model.h"
#include "fluid_section.h"

#include <vexil/dia_xml.h>

#include <gtest/gtest.h>

#include <libxml/tree.h>

#include <cmath>
#include <string>

namespace {

struct Section {
    Section() : node(xmlNewNode(nullptr, reinterpret_cast<const xmlChar*>("fluid"))) {}
    ~Section() { xmlFreeNode(node); }
    std::string Prop(const char* name) const {
        xmlChar* v = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
        std::string s = v ? reinterpret_cast<const char*>(v) : "<none>";
        xmlFree(v);
        return s;
    }
    xmlNodePtr node;
};

FluidComponent Component(const char* id, float density, float fraction) {
    FluidComponent c;
    c.compid = id;
    c.name = QString(id) + "_name";
    c.model_idx = 19;
    c.mole_weight = 150.5f;
    c.liquid_density = density;
    c.fraction = fraction;
    return c;
}

TEST(FluidSection, round_trip_keeps_marks_and_drops_what_is_not_written) {
    CBlackOilModel oil;
    oil.Set(0.9f, 820.5f, 150.25f, 12.5f);
    FluidComponentList list;
    list.comps_confirmed = true;
    list.components = {Component("C7+", -1.0f, 4.5f), Component("C1", NoLiquidDensity(), 95.5f),
                       Component("C8", 702.5f, 0.0f)};
    CFluidModel fluid(oil, list);
    Section s;
    SaveFluidSection(&fluid, s.node);
    EXPECT_EQ(s.Prop("confirmed"), "true");
    EXPECT_EQ(s.Prop("comps_confirmed"), "true");

    CBlackOilModel oil2;
    FluidComponentList list2;
    CFluidModel loaded(oil2, list2);
    LoadFluidSection(&loaded, s.node);
    EXPECT_TRUE(oil2.confirmed);
    EXPECT_FLOAT_EQ(oil2.gas_density, 0.9f);
    EXPECT_FLOAT_EQ(oil2.oil_density, 820.5f);
    EXPECT_FLOAT_EQ(oil2.gas_oil_ratio, 150.25f);
    EXPECT_FLOAT_EQ(oil2.water_cut, 12.5f);
    EXPECT_TRUE(list2.comps_confirmed);
    ASSERT_EQ(list2.components.size(), 3u);
    EXPECT_EQ(list2.components[0].compid, "C7+");
    EXPECT_EQ(list2.components[0].name, "C7+_name");
    EXPECT_EQ(list2.components[0].model_idx, 19);
    EXPECT_FLOAT_EQ(list2.components[0].mole_weight, 150.5f);
    EXPECT_EQ(list2.components[0].liquid_density, -1.0f);  // still to be entered
    EXPECT_FLOAT_EQ(list2.components[0].fraction, 4.5f);
    EXPECT_TRUE(
        std::isnan(list2.components[1].liquid_density));  // none: not written, loads as none
    EXPECT_FLOAT_EQ(list2.components[2].liquid_density, 702.5f);
    EXPECT_EQ(list2.components[2].fraction, 0.0f);
    // Fraction 0 and a missing density are not written at all.
    int composites = 0;
    for (xmlNodePtr c = xml_first_child(s.node); c; c = xml_next_sibling(c))
        if (xmlStrEqual(c->name, reinterpret_cast<const xmlChar*>("composite"))) {
            ++composites;
            if (composites == 2) {
                EXPECT_EQ(xml_find_attribute(c, "liquid_density"), nullptr);
            }
            if (composites == 3) {
                EXPECT_EQ(xml_find_attribute(c, "fraction"), nullptr);
            }
        }
    EXPECT_EQ(composites, 3);
}

TEST(FluidSection, empty_component_list_writes_no_composition) {
    CBlackOilModel oil;
    FluidComponentList list;
    list.comps_confirmed = true;
    CFluidModel fluid(oil, list);
    Section s;
    SaveFluidSection(&fluid, s.node);
    EXPECT_EQ(s.Prop("confirmed"), "false");
    EXPECT_EQ(s.Prop("comps_confirmed"), "<none>");
    EXPECT_EQ(xml_find_child(s.node, "composite"), nullptr);
}

TEST(FluidSection, load_takes_defaults_exact_true_only_and_skips_components_without_id) {
    Section s;
    xmlSetProp(s.node, reinterpret_cast<const xmlChar*>("confirmed"),
               reinterpret_cast<const xmlChar*>("True"));
    xmlSetProp(s.node, reinterpret_cast<const xmlChar*>("comps_confirmed"),
               reinterpret_cast<const xmlChar*>("true"));
    xml_add_real(xml_new_attribute(s.node, "water_cut"), 30);
    DataNode nameless = xml_add_composite(s.node, "fluid_component");
    xml_add_string(xml_new_attribute(nameless, "name"), "no id");
    DataNode other = xml_add_composite(s.node, "something_else");
    xml_add_string(xml_new_attribute(other, "compid"), "X");
    DataNode bare = xml_add_composite(s.node, "fluid_component");
    xml_add_string(xml_new_attribute(bare, "compid"), "N2");

    CBlackOilModel oil;
    oil.Set(1, 2, 3, 4);
    FluidComponentList list;
    list.components = {Component("old", 1, 1)};
    CFluidModel fluid(oil, list);
    LoadFluidSection(&fluid, s.node);
    const CBlackOilModel defaults;
    EXPECT_FALSE(oil.confirmed);
    EXPECT_EQ(oil.gas_density, defaults.gas_density);
    EXPECT_EQ(oil.oil_density, defaults.oil_density);
    EXPECT_EQ(oil.gas_oil_ratio, defaults.gas_oil_ratio);
    EXPECT_EQ(oil.water_cut, 30.0f);
    EXPECT_TRUE(list.comps_confirmed);
    ASSERT_EQ(list.components.size(), 1u);
    const FluidComponent& n2 = list.components[0];
    EXPECT_EQ(n2.compid, "N2");
    EXPECT_EQ(n2.name, "");
    EXPECT_EQ(n2.model_idx, 0);
    EXPECT_EQ(n2.mole_weight, 0.0f);
    EXPECT_TRUE(std::isnan(n2.liquid_density));
    EXPECT_EQ(n2.fraction, 0.0f);
}

// A value that is there but empty, or unreadable, is a repair: the fluid
// it belongs to is no longer confirmed and names it, through a save and a
// load, until its dialog confirms it (Set for the black oil). Values of the
// other fluid leave it alone, and an absent value is a plain default.
TEST(FluidSection, repaired_values_unconfirm_their_fluid_until_confirmed) {
    const struct {
        const char* where;  // "oil" the section, "comp" the N2 component
        const char* attribute;
        const char* element;  // the data node in it, "" none; null: the attribute absent
        const char* val;      // its val=, null none
        QStringList oilRepaired, compRepaired;
    } cases[] = {
        {"oil", "oil_density", "", nullptr, {"oil_density"}, {}},
        {"oil", "gas_oil_ratio", "real", nullptr, {"gas_oil_ratio"}, {}},
        {"oil", "water_cut", "real", "ten", {"water_cut"}, {}},
        {"oil", "gas_density", nullptr, nullptr, {}, {}},
        {"comp", "mole_weight", "", nullptr, {}, {"N2 mole_weight"}},
        {"comp", "fraction", "real", "", {}, {"N2 fraction"}},
        {"comp", "model_idx", "int", nullptr, {}, {"N2 model_idx"}},
        {"comp", "liquid_density", nullptr, nullptr, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.where) + " " + c.attribute);
        CBlackOilModel oil;
        oil.Set(0.85f, 850, 120, 10);
        FluidComponentList list;
        list.components = {Component("N2", 1, 100)};
        list.comps_confirmed = true;
        CFluidModel fluid(oil, list);
        Section written;
        SaveFluidSection(&fluid, written.node);
        // The attribute emptied or damaged in the written section.
        xmlNodePtr owner = written.node;
        if (std::string(c.where) == "comp")
            for (xmlNodePtr n = xml_first_child(written.node); n; n = xml_next_sibling(n))
                if (xmlStrcmp(n->name, reinterpret_cast<const xmlChar*>("composite")) == 0)
                    owner = n;
        if (AttributeNode a = xml_find_attribute(owner, c.attribute)) {
            xmlUnlinkNode(a);
            xmlFreeNode(a);
        }
        if (c.element) {
            AttributeNode a = xml_new_attribute(owner, c.attribute);
            if (*c.element) {
                xmlNodePtr data =
                    xmlNewChild(a, nullptr, reinterpret_cast<const xmlChar*>(c.element), nullptr);
                if (c.val)
                    xmlSetProp(data, reinterpret_cast<const xmlChar*>("val"),
                               reinterpret_cast<const xmlChar*>(c.val));
            }
        }

        CBlackOilModel oil2;
        FluidComponentList list2;
        CFluidModel loaded(oil2, list2);
        xml_damage_begin();
        LoadFluidSection(&loaded, written.node);
        xml_damage_end();
        EXPECT_EQ(oil2.repaired, c.oilRepaired);
        EXPECT_EQ(list2.repaired, c.compRepaired);
        EXPECT_EQ(oil2.confirmed, c.oilRepaired.isEmpty());
        EXPECT_EQ(list2.comps_confirmed, c.compRepaired.isEmpty());

        // Saved again unconfirmed, the repair comes back with the file.
        Section again;
        SaveFluidSection(&loaded, again.node);
        CBlackOilModel oil3;
        FluidComponentList list3;
        CFluidModel reloaded(oil3, list3);
        xml_damage_begin();
        LoadFluidSection(&reloaded, again.node);
        xml_damage_end();
        EXPECT_EQ(oil3.repaired, c.oilRepaired);
        EXPECT_EQ(list3.repaired, c.compRepaired);
        EXPECT_EQ(oil3.confirmed, c.oilRepaired.isEmpty());

        // Confirmed, the next save carries no mark.
        oil3.Set(oil3.gas_density, oil3.oil_density, oil3.gas_oil_ratio, oil3.water_cut);
        list3.repaired.clear();
        list3.comps_confirmed = true;
        Section clean;
        SaveFluidSection(&reloaded, clean.node);
        CBlackOilModel oil4;
        FluidComponentList list4;
        CFluidModel last(oil4, list4);
        LoadFluidSection(&last, clean.node);
        EXPECT_TRUE(oil4.repaired.isEmpty());
        EXPECT_TRUE(list4.repaired.isEmpty());
        EXPECT_TRUE(oil4.confirmed);
        EXPECT_TRUE(list4.comps_confirmed);
    }
}

}  // namespace

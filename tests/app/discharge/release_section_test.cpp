// The "release" section of the scenario file: what is saved, what a load
// restores (and clears), and that a damaged branch count stays inside the
// branch tables.
#include "discharge_fixture.h"
#include "release_section.h"

#include <vexil/dia_xml.h>

#include <gtest/gtest.h>

#include <libxml/parser.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

using namespace discharge_test;

struct XmlDoc {
    explicit XmlDoc(const char* text)
        : doc(xmlReadMemory(text, static_cast<int>(std::strlen(text)), "t.xml", nullptr, 0)) {}
    XmlDoc() : doc(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"))) {
        xmlDocSetRootElement(doc, xmlNewNode(nullptr, reinterpret_cast<const xmlChar*>("release")));
    }
    ~XmlDoc() { xmlFreeDoc(doc); }
    xmlNodePtr root() const { return xmlDocGetRootElement(doc); }
    xmlDocPtr doc;
};

void setSummary(CReleaseModel& model) {
    auto s = std::make_unique<DischargeSummary>();
    float* v = &s->time;
    for (int k = 0; k < 11; ++k) v[k] = 0.5f + static_cast<float>(k);
    model.SetSummary(std::move(s));
}

TEST(ReleaseSection, round_trip_keeps_options_names_and_result) {
    QTemporaryDir dir;
    Network net;
    DrawTwoInlets(net);
    CReleaseModel saved;
    ASSERT_TRUE(Validate(saved, net, dir));
    saved.SetFluidClass(FLUID_GAS_COMPOSITION);  // clears the flags; keep the record
    saved.Control().TUSER = 7200.0f;
    saved.Control().NOTEMP = 1;
    setSummary(saved);
    saved.SetUpToDate(true);
    saved.SetWarning("RELEASE NOT FINISHED");

    XmlDoc doc;
    SaveReleaseSection(&saved, doc.root());

    CReleaseModel loaded;
    loaded.SetFluidClass(FLUID_BLACK_OIL);
    LoadReleaseSection(&loaded, doc.root());
    EXPECT_EQ(loaded.GetFluidClass(), FLUID_GAS_COMPOSITION);
    EXPECT_FLOAT_EQ(loaded.Control().TUSER, 7200.0f);
    EXPECT_EQ(loaded.Control().NOTEMP, 1);
    EXPECT_FALSE(loaded.IsValidated());
    ASSERT_NE(loaded.GetInput(), nullptr);
    EXPECT_EQ(loaded.GetBranchCount(), 3);
    EXPECT_EQ(loaded.GetInput()->outlet_obj, saved.GetInput()->outlet_obj);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(loaded.GetInput()->branch_name_obj[i], saved.GetInput()->branch_name_obj[i]) << i;
    ASSERT_TRUE(loaded.HasSummary());
    EXPECT_TRUE(loaded.IsUpToDate());
    EXPECT_EQ(loaded.Warning(), "RELEASE NOT FINISHED");
    EXPECT_EQ(std::memcmp(loaded.GetSummary(), saved.GetSummary(), sizeof(DischargeSummary)), 0);
}

// Words with more than 6 significant digits, and the largest and smallest
// normal floats, come back as they were saved; the text stays as short as
// the value allows.
TEST(ReleaseSection, summary_words_are_saved_whole) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {1694967.0f, "1694967"},
        {0.5f, "0.5"},
        {123456.789f, "123456.79"},
        {3.40282347e38f, "3.4028235e+38"},
        {1.17549435e-38f, "1.1754944e-38"},
        {0.1f, "0.1"},
        {16777215.0f, "16777215"},
    };
    for (const auto& c : cases) {
        CReleaseModel saved;
        auto summary = std::make_unique<DischargeSummary>();
        std::memset(summary.get(), 0, sizeof(DischargeSummary));
        summary->time = c.value;
        saved.SetSummary(std::move(summary));
        XmlDoc doc;
        SaveReleaseSection(&saved, doc.root());
        xmlNodePtr result = xml_find_child(doc.root(), "result");
        ASSERT_NE(result, nullptr);
        xmlNodePtr attr = xml_find_attribute(result, "time");
        ASSERT_NE(attr, nullptr);
        xmlNodePtr real = xmlFirstElementChild(attr);
        ASSERT_NE(real, nullptr);
        xmlChar* text = xmlGetProp(real, reinterpret_cast<const xmlChar*>("val"));
        EXPECT_STREQ(reinterpret_cast<const char*>(text), c.text);
        xmlFree(text);

        CReleaseModel loaded;
        LoadReleaseSection(&loaded, doc.root());
        ASSERT_TRUE(loaded.HasSummary()) << c.text;
        EXPECT_EQ(loaded.GetSummary()->time, c.value) << c.text;
    }
}

TEST(ReleaseSection, outdated_result_is_saved_without_its_warning) {
    CReleaseModel saved;
    setSummary(saved);
    saved.SetUpToDate(false);
    saved.SetWarning("stale");
    XmlDoc doc;
    SaveReleaseSection(&saved, doc.root());
    xmlNodePtr result = xml_find_child(doc.root(), "result");
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(xml_find_attribute(result, "warning"), nullptr);
    EXPECT_EQ(xml_find_child(doc.root(), "xref"), nullptr);  // no record, no names

    CReleaseModel loaded;
    loaded.SetWarning("old");
    LoadReleaseSection(&loaded, doc.root());
    EXPECT_TRUE(loaded.HasSummary());
    EXPECT_FALSE(loaded.IsUpToDate());
    EXPECT_TRUE(loaded.Warning().isEmpty());
}

TEST(ReleaseSection, load_rules_for_written_files) {
    struct Case {
        const char* what;
        const char* xml;
        int fluidClass;
        int branches;
        bool summary;
    };
    const Case cases[] = {
        {"fluid class compared without case",
         R"(<release><control><attribute name="fluid_class"><string>#GAS#</string></attribute></control></release>)",
         FLUID_GAS_COMPOSITION, 0, false},
        {"unknown fluid class is black oil",
         R"(<release><control><attribute name="fluid_class"><string>#steam#</string></attribute></control></release>)",
         FLUID_BLACK_OIL, 0, false},
        {"branch count above the tables is cut to 15",
         R"(<release><xref><attribute name="num_branches"><int val="99"/></attribute></xref></release>)",
         FLUID_BLACK_OIL, 15, false},
        {"negative branch count is none",
         R"(<release><xref><attribute name="num_branches"><int val="-4"/></attribute></xref></release>)",
         FLUID_BLACK_OIL, 0, false},
        {"result without values is zeroed",
         R"(<release><result><attribute name="uptodate"><boolean val="true"/></attribute></result></release>)",
         FLUID_BLACK_OIL, 0, true},
        {"empty section", "<release/>", FLUID_BLACK_OIL, 0, false},
    };
    for (const Case& c : cases) {
        XmlDoc doc(c.xml);
        ASSERT_NE(doc.doc, nullptr) << c.what;
        CReleaseModel model;
        model.SetFluidClass(FLUID_GAS_COMPOSITION);
        setSummary(model);
        LoadReleaseSection(&model, doc.root());
        EXPECT_EQ(model.GetFluidClass(), c.fluidClass) << c.what;
        EXPECT_EQ(model.GetBranchCount(), c.branches) << c.what;
        EXPECT_EQ(model.HasSummary(), c.summary) << c.what;
        if (c.summary) {
            EXPECT_EQ(model.GetSummary()->total_mass, 0.0f) << c.what;
        }
        EXPECT_FLOAT_EQ(model.Control().TUSER, 0.0f) << c.what;
    }
}

// An end time or temperature switch that is there but empty, or unreadable,
// is repaired: the check refuses it, naming it, through a save and a load,
// until Discharge Setup confirms it; an absent one is a plain default.
TEST(ReleaseSection, repaired_run_settings_are_refused_until_confirmed) {
    const struct {
        const char* control;  // the control element's content
        QStringList repaired;
    } cases[] = {
        {R"(<attribute name="sim_stop_time"></attribute>)", {"sim_stop_time"}},
        {R"(<attribute name="sim_stop_time"><real/></attribute>)", {"sim_stop_time"}},
        {R"(<attribute name="sim_stop_time"><real val="soon"/></attribute>)", {"sim_stop_time"}},
        {R"(<attribute name="disable_temp_calc"></attribute>)", {"disable_temp_calc"}},
        {R"(<attribute name="sim_stop_time"><real val="3600"/></attribute>)", {}},
        {"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control);
        const std::string xml =
            std::string("<release><control>") + c.control + "</control></release>";
        XmlDoc doc(xml.c_str());
        CReleaseModel model;
        xml_damage_begin();
        LoadReleaseSection(&model, doc.root());
        xml_damage_end();
        EXPECT_EQ(model.RepairedSetup(), c.repaired);
        EXPECT_FALSE(model.ValidateNetwork(nullptr, 1, 800, 100, 0, {}, "x.$$$"));
        ASSERT_EQ(model.Errors().size(), 1u);
        EXPECT_EQ(model.Errors().front().id, c.repaired.isEmpty()
                                                 ? unsigned(IDS_FILE_STRUCTURE)
                                                 : unsigned(IDS_SETUP_VALUE_REPAIRED));

        // Kept through a save and a load; confirmed, the next save is clean.
        XmlDoc saved;
        SaveReleaseSection(&model, saved.root());
        CReleaseModel again;
        xml_damage_begin();
        LoadReleaseSection(&again, saved.root());
        xml_damage_end();
        EXPECT_EQ(again.RepairedSetup(), c.repaired);
        again.RepairedSetup().clear();
        XmlDoc clean;
        SaveReleaseSection(&again, clean.root());
        CReleaseModel last;
        LoadReleaseSection(&last, clean.root());
        EXPECT_TRUE(last.RepairedSetup().isEmpty());
    }
}

}  // namespace

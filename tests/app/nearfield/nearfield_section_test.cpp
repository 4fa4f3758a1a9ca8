// The "nearfield" section of the scenario file: which keys are written, the
// round trip, and the rules applied when loading.
#include "nearfield_fixture.h"

#include <vexil/dia_xml.h>

#include <libxml/tree.h>

#include <memory>

namespace {

struct XmlDoc {
    xmlDocPtr doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
    xmlNodePtr section = xmlNewNode(nullptr, reinterpret_cast<const xmlChar*>("nearfield"));
    XmlDoc() { xmlDocSetRootElement(doc, section); }
    ~XmlDoc() { xmlFreeDoc(doc); }
    XmlDoc(const XmlDoc&) = delete;
    XmlDoc& operator=(const XmlDoc&) = delete;
    xmlNodePtr Setup() const { return xml_find_child(section, "setup"); }
    bool Has(const char* key) const { return xml_find_attribute(Setup(), key) != nullptr; }
};

class PreparedPlume : public CBubblePlume {
public:
    void LoadRelease(float) override {}
    void SetRadius(double r) { avg_boilzone_radius = r; }
};

TEST(NearFieldSection, keys_are_written_only_when_they_carry_a_value) {
    {
        CBubblePlume plume;  // defaults
        XmlDoc xml;
        SaveTaskSection(&plume, xml.section);
        ASSERT_NE(xml.Setup(), nullptr);
        for (const char* key :
             {"plume_output", "option_hydrate", "option_oceandif", "plume_step", "gas_confirmed",
              "water_temperature", "smooth_massrate", "option_Ulv5", "snapshot_count"})
            EXPECT_TRUE(xml.Has(key)) << key;
        for (const char* key :
             {"ambient", "ambient_start_time", "plume_tracking", "snapshot_interval", "start_year",
              "start_minute", "avg_boilzone_radius"})
            EXPECT_FALSE(xml.Has(key)) << key;
        EXPECT_EQ(xml_attr_real(xml.Setup(), "plume_step", 0), 0.5);  // its magnitude
        char* confirmed = reinterpret_cast<char*>(
            xmlGetProp(xml.section, reinterpret_cast<const xmlChar*>("confirmed")));
        EXPECT_STREQ(confirmed, "false");
        xmlFree(confirmed);
    }
    {
        PreparedPlume plume;
        plume.set_smooth_massrate(0);
        plume.Setup().plume_step = 5e-8;
        SetUlv5Start(plume.Setup(), 2024, 12, 31, 23, 30);
        ASSERT_TRUE(plume.Prepare(SomeSummary(), ScratchScenario(), 50.0f, 0.1f, 4.0f, "./"));
        plume.SetRadius(12.5);
        XmlDoc xml;
        SaveTaskSection(&plume, xml.section);
        EXPECT_FALSE(xml.Has("snapshot_count"));  // 0
        EXPECT_FALSE(xml.Has("plume_step"));      // below 1e-7
        EXPECT_EQ(xml_attr_int(xml.Setup(), "smooth_massrate", -1), 0);
        EXPECT_EQ(xml_attr_int(xml.Setup(), "start_minute", -1), 30);
        EXPECT_EQ(xml_attr_real(xml.Setup(), "avg_boilzone_radius", 0), 12.5);  // while prepared
    }
}

TEST(NearFieldSection, settings_survive_a_round_trip) {
    CBubblePlume saved;
    NearFieldSetup& s = saved.Setup();
    s.ambient = QStringLiteral("Nordsjø_vinter");
    s.ambient_start_time = 2.5;
    s.plume_tracking = 1800;
    s.plume_step = -0.25;
    s.plume_output = 60;
    s.snapshot_interval = 0.5;
    s.option_hydrate = true;
    s.water_temperature = 6.5f;
    saved.set_smooth_massrate(7);
    SetUlv5Start(s, 2031, 2, 3, 4, 5);
    saved.SetConfirmed(true);
    XmlDoc xml;
    SaveTaskSection(&saved, xml.section);

    CBubblePlume loaded;
    LoadTaskSection(&loaded, xml.section);
    const NearFieldSetup& l = loaded.Setup();
    EXPECT_EQ(l.ambient, s.ambient);
    EXPECT_EQ(l.ambient_start_time, 2.5);
    EXPECT_EQ(l.plume_tracking, 1800);
    EXPECT_EQ(l.plume_step, 0.25);  // saved as its magnitude
    EXPECT_EQ(l.plume_output, 60);
    EXPECT_EQ(l.snapshot_interval, 0.5);
    EXPECT_TRUE(l.option_hydrate);
    EXPECT_FALSE(l.option_oceandif);
    EXPECT_EQ(l.water_temperature, 6.5f);
    EXPECT_EQ(loaded.smooth_massrate(), 7);
    EXPECT_TRUE(l.option_Ulv5);
    EXPECT_EQ(l.start_year, 2031);
    EXPECT_EQ(l.start_month, 2);
    EXPECT_EQ(l.start_day, 3);
    EXPECT_EQ(l.start_hour, 4);
    EXPECT_EQ(l.start_minute, 5);
    EXPECT_TRUE(loaded.IsConfirmed());
    EXPECT_FALSE(loaded.HasResult());
}

// Builds a "nearfield" section by hand with the given typed keys.
struct SectionBuilder {
    XmlDoc xml;
    xmlNodePtr setup =
        xmlNewChild(xml.section, nullptr, reinterpret_cast<const xmlChar*>("setup"), nullptr);
    SectionBuilder& Int(const char* k, int v) {
        xml_add_int(xml_new_attribute(setup, k), v);
        return *this;
    }
    SectionBuilder& Bool(const char* k, bool v) {
        xml_add_boolean(xml_new_attribute(setup, k), v);
        return *this;
    }
    SectionBuilder& Text(const char* k, const char* v) {
        xml_add_string(xml_new_attribute(setup, k), v);
        return *this;
    }
};

TEST(NearFieldSection, smoothing_without_its_key_is_what_a_new_plume_starts_with) {
    struct Case {
        const char* what;
        int snapshots, smoothing;  // -1: key absent
        int loaded;
    };
    const Case cases[] = {
        {"neither key", -1, -1, 4},
        {"snapshot count only", 3, -1, 3},
        {"smoothing 0", -1, 0, 0},
        {"both", 2, 6, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SectionBuilder b;
        if (c.snapshots >= 0) b.Int("snapshot_count", c.snapshots);
        if (c.smoothing >= 0) b.Int("smooth_massrate", c.smoothing);
        CBubblePlume plume;
        plume.set_smooth_massrate(9);
        LoadTaskSection(&plume, b.xml.section);
        EXPECT_EQ(plume.smooth_massrate(), c.loaded);
    }
}

TEST(NearFieldSection, an_invalid_ulv5_start_date_clears_the_confirmation) {
    struct Case {
        const char* what;
        bool ulv5;
        int year, month, day, hour, minute;
        bool confirmed;
    };
    const Case cases[] = {
        {"valid", true, 2024, 2, 29, 23, 59, true},
        {"no year", true, 0, 1, 1, 0, 0, false},
        {"month 13", true, 2024, 13, 1, 0, 0, false},
        {"day 32", true, 2024, 1, 32, 0, 0, false},
        {"hour 24", true, 2024, 1, 1, 24, 0, false},
        {"minute 60", true, 2024, 1, 1, 0, 60, false},
        {"minute 316 (not wrapped to 60)", true, 2024, 1, 1, 0, 316, false},
        {"no Ulv/5 output", false, 0, 0, 0, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SectionBuilder b;
        b.Text("gas_confirmed", "true").Bool("option_Ulv5", c.ulv5);
        b.Int("start_year", c.year).Int("start_month", c.month).Int("start_day", c.day);
        b.Int("start_hour", c.hour).Int("start_minute", c.minute);
        CBubblePlume plume;
        LoadTaskSection(&plume, b.xml.section);
        EXPECT_EQ(plume.IsConfirmed(), c.confirmed);
    }
    // Only the text "true" confirms.
    SectionBuilder b;
    b.Text("gas_confirmed", "TRUE");
    CBubblePlume plume;
    LoadTaskSection(&plume, b.xml.section);
    EXPECT_FALSE(plume.IsConfirmed());
}

TEST(NearFieldSection, loading_drops_the_preparation_and_resets_absent_keys) {
    PreparedPlume plume;
    plume.Setup().ambient = QStringLiteral("old");
    plume.Setup().water_temperature = 2.0f;
    plume.Setup().option_hydrate = true;
    ASSERT_TRUE(plume.Prepare(SomeSummary(), ScratchScenario(), 50.0f, 0.1f, 4.0f, "./"));
    SectionBuilder b;
    b.Int("smooth_massrate", 2);
    LoadTaskSection(&plume, b.xml.section);
    EXPECT_FALSE(plume.IsPrepared());
    EXPECT_EQ(plume.Setup().ambient, QString());
    EXPECT_EQ(plume.Setup().water_temperature, 15.0f);
    EXPECT_FALSE(plume.Setup().option_hydrate);
    EXPECT_EQ(plume.Setup().plume_step, -0.5);
    EXPECT_EQ(plume.smooth_massrate(), 2);

    // A section without "setup": the defaults of a new plume.
    XmlDoc bare;
    LoadTaskSection(&plume, bare.section);
    EXPECT_EQ(plume.smooth_massrate(), 4);
    EXPECT_FALSE(plume.IsConfirmed());
}

}  // namespace

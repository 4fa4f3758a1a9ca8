// Unit conversion: the shipped tables, the loaders' line rules, the inverse
// lookup and the dialog exchange helpers.
#include "system_settings.h"
#include "units.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

const char* const KEYS[] = {
    "GASDENSITY", "OILDENSITY", "GOR",         "LIQDENSITY",  "DEPTH",
    "TEMP",       "PRESSURE",   "DISTANCE",    "DIAMETER",    "LENGTH",
    "ROUGHNESS",  "HEATTRANS",  "GASFLOWRATE", "CLOSINGTIME", "MASSRATE",
    "MASSTOT",    "OILRATE",    "OILTOT",      "GASRATE",     "GASTOT",
    "OILRATESTD", "OILTOTSTD",  "GASRATESTD",  "GASTOTSTD",   "LIQFLOWRATE"};

class UnitsTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.Load(ORVANE_PROGRAM_DIR "Orvane", false);
        settings.SetDisplayUnits(1);
        SetAppSettings(&settings);
        LoadShipped();
    }
    void TearDown() override {
        LoadShipped();
        SetAppSettings(nullptr);
    }
    static void LoadShipped() {
        QString problem;
        ASSERT_TRUE(LoadUnitTables(&problem)) << problem.toStdString();
    }
    QString Write(const char* name, const QByteArray& text) {
        QString path = dir.filePath(QLatin1String(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    }
    CSystemSettings settings;
    QTemporaryDir dir;
};

TEST_F(UnitsTest, shipped_tables_cover_every_key_in_both_unit_systems_and_both_directions) {
    for (const char* key : KEYS) {
        std::optional<UnitSelection> sel = FindUnitSelection(key);
        ASSERT_TRUE(sel) << key;
        for (int column : {1, 2}) {
            const std::string &internal = sel->unit[0], &display = sel->unit[column];
            if (internal == display) continue;
            EXPECT_TRUE(FindConversion(internal, display))
                << key << " " << internal << " -> " << display;
            EXPECT_TRUE(FindConversion(display, internal))
                << key << " " << display << " -> " << internal;
        }
    }
}

TEST_F(UnitsTest, round_trips_through_display_units_within_1e5_relative) {
    for (const char* key : KEYS)
        for (int column : {0, 1, 2})
            for (float x : {0.1f, 1.0f, 1000.0f, 123456.0f}) {
                float back = FromDisplayUnits(key, ToDisplayUnits(key, x, column), column);
                EXPECT_NEAR(back, x, 1e-5 * x) << key << " column " << column;
            }
}

TEST_F(UnitsTest, shipped_factors_give_hand_worked_values) {
    // Exact definitions: ft = 0.3048 m, in = 0.0254 m, lb = 0.45359237 kg,
    // bbl = 0.158987294928 m3, psi = 6894.757293 Pa, F = 1.8 C + 32.
    struct Case {
        const char* key;
        int column;
        float internal, display, tol;
    } cases[] = {
        {"DEPTH", 2, 100.0f, 328.084f, 0.001f},
        {"PRESSURE", 1, 101325.0f, 1.01325f, 1e-6f},
        {"PRESSURE", 2, 101325.0f, 14.69595f, 1e-4f},
        {"TEMP", 2, 20.0f, 68.0f, 1e-4f},
        {"TEMP", 2, -40.0f, -40.0f, 1e-4f},
        {"DIAMETER", 2, 0.508f, 20.0f, 1e-5f},
        {"DIAMETER", 1, 0.508f, 508.0f, 1e-3f},
        {"ROUGHNESS", 2, 4.572e-05f, 0.0018f, 1e-8f},
        {"GOR", 2, 195.91873f, 1100.0f, 4e-3f},      // 195.91873 * 0.158987294928 / 0.028316846592
        {"GASDENSITY", 2, 0.800923f, 0.05f, 1e-6f},  // 0.800923 * 0.028316846592 / 0.45359237
        {"LIQDENSITY", 1, 700.0f, 0.7f, 1e-6f},
        {"LIQDENSITY", 2, 1000.0f, 62.42796f, 1e-4f},
        {"MASSRATE", 2, 1.0f, 2.204623f, 1e-6f},
        {"GASRATESTD", 2, 1.0f, 3.0511872f, 1e-6f},  // 86400 / 0.028316846592 / 1e6
        {"OILRATESTD", 2, 1.0f, 543439.65f, 0.1f},   // 86400 / 0.158987294928
        {"OILRATE", 1, 1.0f, 3600.0f, 1e-3f},
        {"HEATTRANS", 2, 5.678263f, 1.0f, 1e-5f},  // 1 Btu/(h ft2 F) = 5.678263 W/(m2 K)
        {"GASFLOWRATE", 2, 1.0f, 35.314667f, 1e-5f},
        // A black oil's inlet rate: liquid per day, 1 bbl = 0.158987294928 m3.
        {"LIQFLOWRATE", 1, 5000.0f, 5000.0f, 1e-3f},
        {"LIQFLOWRATE", 2, 5000.0f, 31449.054f, 2e-2f},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(ToDisplayUnits(c.key, c.internal, c.column), c.display, c.tol) << c.key;
    // The setting picks the column: English (1) by default in this fixture.
    EXPECT_NEAR(ToDisplayUnits("DEPTH", 100.0f), 328.084f, 0.001f);
    settings.SetDisplayUnits(0);
    EXPECT_FLOAT_EQ(ToDisplayUnits("PRESSURE", 1e5f), 1.0f);
    settings.SetDisplayUnits(2);
    EXPECT_FLOAT_EQ(ToDisplayUnits("PRESSURE", 1e5f), 1e5f);
    EXPECT_EQ(GetUnitLabel("PRESSURE"), "[Pa]");
}

TEST_F(UnitsTest, reverse_only_pair_converts_through_its_inverse_and_caches_it) {
    ASSERT_TRUE(LoadUnitConversions(Write("conv.txt", "a b 2 1\n")));
    std::optional<UnitConversion> inv = FindConversion("b", "a");
    ASSERT_TRUE(inv);
    EXPECT_FLOAT_EQ(inv->factor, 0.5f);
    EXPECT_FLOAT_EQ(inv->offset, -0.5f);
    EXPECT_FLOAT_EQ(ApplyConversion(inv, 5.0f), 2.0f);  // 2 * 2 + 1 = 5 and back
    EXPECT_TRUE(FindConversion("[b]", "[a]"));          // bracketed names, same key
    EXPECT_FALSE(FindConversion("a", "c"));
    EXPECT_FLOAT_EQ(ApplyConversion(std::nullopt, 7.0f), 7.0f);
}

TEST_F(UnitsTest, unit_key_brackets_names_once) {
    EXPECT_EQ(UnitKey("kg", "lb"), "[kg][lb]");
    EXPECT_EQ(UnitKey("[kg]", "lb"), UnitKey("kg", "[lb]"));
    EXPECT_EQ(UnitKey("[kg", "lb]"), "[kg][lb]");
    EXPECT_EQ(UnitKey(nullptr, "lb"), "[lb]");
}

TEST_F(UnitsTest, load_stops_at_a_bad_line_or_a_tiny_factor_and_keeps_what_came_before) {
    struct Case {
        const char* text;
        bool kept_first, kept_last;
    } cases[] = {
        {"a b 2 0\nc d 3\ne f 4 0\n", true, false},       // three fields
        {"a b 2 0\nc d 1e-7 0\ne f 4 0\n", true, false},  // factor within 1e-6
        {"a b 2 0\nc d -5e-7 0\ne f 4 0\n", true, false},
        {"a b 2 0\nc d x 0\ne f 4 0\n", true, false},
        {"a b 2 0\r\nc d 3 0\r\ne f 4 0", true, true},  // CR LF, last line without LF
    };
    for (const Case& c : cases) {
        QString problem;
        bool whole = LoadUnitConversions(Write("conv.txt", c.text), &problem);
        EXPECT_EQ(whole, c.kept_last) << c.text;
        EXPECT_EQ(problem.contains("line 2"), !c.kept_last) << problem.toStdString();
        EXPECT_EQ(bool(FindConversion("a", "b")), c.kept_first) << c.text;
        EXPECT_EQ(bool(FindConversion("e", "f")), c.kept_last) << c.text;
    }
    EXPECT_FALSE(LoadUnitConversions(dir.filePath("missing.txt")));
    EXPECT_FALSE(FindConversion("a", "b"));  // cleared, nothing loaded
}

TEST_F(UnitsTest, later_duplicate_replaces_the_earlier_entry) {
    ASSERT_TRUE(LoadUnitConversions(Write("conv.txt", "a b 2 0\na b 3 0\n")));
    EXPECT_FLOAT_EQ(FindConversion("a", "b")->factor, 3.0f);
}

TEST_F(UnitsTest, inverse_below_the_limit_is_refused_and_the_display_helpers_leave_the_value) {
    ASSERT_TRUE(LoadUnitConversions(Write("conv.txt", "u v 2e6 0\n")));
    ASSERT_TRUE(LoadUnitSelectionsFrom(Write("sel.txt", "Q u u v\n")));
    EXPECT_THROW(FindConversion("v", "u"), ValidationError);
    EXPECT_FLOAT_EQ(ToDisplayUnits("Q", 3.0f, 2), 6e6f);
    EXPECT_FLOAT_EQ(FromDisplayUnits("Q", 3.0f, 2), 3.0f);  // caught, unchanged
    EXPECT_THROW(UnitConversion(5e-7f, 0.0f), ValidationError);
}

TEST_F(UnitsTest, unknown_key_and_labels) {
    ASSERT_TRUE(LoadUnitSelectionsFrom(Write("sel.txt", "L [m] [m] ft]\nL x y z\n")));
    std::string out;
    EXPECT_FALSE(GetUnitLabel("NOPE", true, out));
    EXPECT_EQ(out, "[?]");
    EXPECT_FALSE(GetUnitLabel("NOPE", false, out));
    EXPECT_EQ(out, "");
    EXPECT_FLOAT_EQ(ToDisplayUnits("NOPE", 4.5f), 4.5f);
    EXPECT_TRUE(GetUnitLabel("L", false, out));  // first entry of the key wins
    EXPECT_EQ(out, "ft");
    EXPECT_TRUE(GetUnitLabel("L", true, out));
    EXPECT_EQ(out, "[ft]");
    // A missing file keeps the list as it was.
    EXPECT_FALSE(LoadUnitSelectionsFrom(dir.filePath("missing.txt")));
    EXPECT_TRUE(FindUnitSelection("L"));
}

TEST_F(UnitsTest, dialog_exchange_converts_every_row_there_and_back) {
    float depth = 100.0f, temp = 20.0f, unlabelled = 0.508f, unknown = 3.0f;
    const UnitField table[] = {{"DEPTH", 1001, 2001, &depth},
                               {"TEMP", 1002, 2002, &temp},
                               {"DIAMETER", 1003, 0, &unlabelled},
                               {"NOPE", 1004, 2004, &unknown},
                               {nullptr, 0, 0, nullptr}};
    std::map<int, QString> labels;
    auto setLabel = [&labels](int id, const QString& text) { labels[id] = text; };

    DDX_ToDisplayUnits(table);
    DDX_UnitLabels(table, setLabel);
    EXPECT_NEAR(depth, 328.084f, 0.001f);
    EXPECT_NEAR(temp, 68.0f, 1e-4f);
    EXPECT_NEAR(unlabelled, 20.0f, 1e-5f);
    EXPECT_EQ(unknown, 3.0f);
    EXPECT_EQ(labels[2001], "ft");
    EXPECT_EQ(labels[2002], "°F");
    EXPECT_EQ(labels.count(2004), 0u);

    DDX_FromDisplayUnits(table, setLabel);
    EXPECT_NEAR(depth, 100.0f, 1e-4f);
    EXPECT_NEAR(temp, 20.0f, 1e-4f);
    EXPECT_NEAR(unlabelled, 0.508f, 1e-6f);  // converted back without a label control
    EXPECT_EQ(labels[2001], "m");
}

}  // namespace

// Settings: defaults, the read rules of stored values, write-through, and the
// plain functions the diagram library calls.
#include "system_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vexil/app_settings.h>

#include <cmath>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { Store().clear(); }
    void TearDown() override {
        Store().clear();
        SetAppSettings(nullptr);
    }
    static QSettings& Store() {
        static QSettings s("Holvik", "Orvane");
        s.sync();
        return s;
    }
    static QVariant Stored(const char* key) {
        QSettings s("Holvik", "Orvane");
        return s.value(QLatin1String(key));
    }
    static void Put(const char* key, const QVariant& v) {
        QSettings s("Holvik", "Orvane");
        s.setValue(QLatin1String(key), v);
        s.sync();
    }
};

TEST_F(SettingsTest, fresh_object_and_load_without_registry_keep_defaults) {
    CSystemSettings s;
    s.Load(static_cast<const char*>(nullptr), true);
    EXPECT_EQ(s.SizeObjectLabel(), 10);
    EXPECT_EQ(s.SizeText(), 12);
    EXPECT_EQ(s.DisplayUnits(), 1);
    EXPECT_TRUE(s.ToolReset());
    EXPECT_TRUE(s.AutoResultOpen());
    EXPECT_TRUE(s.BackupBeforeOverwrite());
    EXPECT_FALSE(s.DiagnosticMode());
    EXPECT_EQ(s.GetProgramDir(), "./");
    EXPECT_EQ(s.GetAmbientDir(), "./Ambient/");
}

TEST_F(SettingsTest, program_directory_is_cut_at_the_last_separator) {
    struct Case {
        const char *module, *dir;
    } cases[] = {
        {"orvane", "/"},  {"/opt/x/orvane", "/opt/x/"},
        {"C:prog", "C/"}, {"C:\\tools\\orvane.exe", "C:\\tools/"},
        {"/orvane", "/"},
    };
    for (const Case& c : cases) {
        CSystemSettings s;
        s.Load(c.module, false);
        EXPECT_EQ(s.GetProgramDir(), c.dir) << c.module;
    }
}

TEST_F(SettingsTest, stored_sizes_count_only_when_positive_and_switches_only_when_not_negative) {
    struct Case {
        const char* key;
        int stored;
        int expected;
    } cases[] = {
        {"Fonts/SizeText", 0, 12},
        {"Fonts/SizeText", -4, 12},
        {"Fonts/SizeText", 20, 20},
        {"Fonts/SizeObjectLabel", 7, 7},
        {"Settings/DisplayUnits", -1, 1},
        {"Settings/DisplayUnits", 0, 0},
        {"Settings/DisplayUnits", 2, 2},
        {"Settings/ToolReset", 0, 0},
        {"Settings/ToolReset", -1, 1},
        {"Settings/AutoResultOpen", 0, 0},
        {"Settings/BackupBeforeOverwrite", 0, 0},
        {"Settings/DiagnosticMode", 5, 1},
        {"Settings/DiagnosticMode", -2, 0},
    };
    for (const Case& c : cases) {
        Store().clear();
        Put(c.key, c.stored);
        CSystemSettings s;
        s.Load("/opt/orvane/bin/orvane", true);
        const QString key = QString::fromLatin1(c.key);
        int got = key.endsWith("SizeText")                ? s.SizeText()
                  : key.endsWith("SizeObjectLabel")       ? s.SizeObjectLabel()
                  : key.endsWith("DisplayUnits")          ? s.DisplayUnits()
                  : key.endsWith("ToolReset")             ? s.ToolReset()
                  : key.endsWith("AutoResultOpen")        ? s.AutoResultOpen()
                  : key.endsWith("BackupBeforeOverwrite") ? s.BackupBeforeOverwrite()
                                                          : s.DiagnosticMode();
        EXPECT_EQ(got, c.expected) << c.key << " stored " << c.stored;
    }
}

// The data folder: beside the program when its data files are there (the
// build tree), else the installed one relative to the program's folder; the
// default ambient folder lies in it, a stored one is kept.
TEST_F(SettingsTest,
       data_and_ambient_directories_beside_the_program_or_installed_and_a_stored_one_kept) {
    QTemporaryDir tree;
    ASSERT_TRUE(QDir(tree.path()).mkpath("build/bin") && QDir(tree.path()).mkpath("prefix/bin"));
    QFile marker(tree.filePath("build/bin/unitconv.txt"));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    const QString root = tree.path() + '/';
    const struct {
        const char* what;
        QString module, dataDir;
    } cases[] = {
        {"build tree", root + "build/bin/Orvane", root + "build/bin/"},
        {"installed", root + "prefix/bin/Orvane", root + "prefix/share/orvane/"},
        {"installed, folder absent", "/opt/orvane/bin/orvane", "/opt/orvane/share/orvane/"},
    };
    for (const auto& c : cases) {
        CSystemSettings s;
        s.Load(c.module, true);
        EXPECT_EQ(s.GetProgramDir(), QFileInfo(c.module).path() + '/') << c.what;
        EXPECT_EQ(s.GetDataDir(), c.dataDir) << c.what;
        EXPECT_EQ(s.GetAmbientDir(), c.dataDir + "Ambient/") << c.what;
    }
    Put("Directories/AmbientDB", "/data/sea\\");
    CSystemSettings t;
    t.Load("/opt/orvane/bin/orvane", true);
    EXPECT_EQ(t.GetAmbientDir(), "/data/sea\\");
}

TEST_F(SettingsTest, setters_write_through_only_when_persistent) {
    CSystemSettings volatileSettings;
    volatileSettings.Load("/x/orvane", false);
    volatileSettings.SetSizeText(30);
    EXPECT_FALSE(Stored("Fonts/SizeText").isValid());

    CSystemSettings s;
    s.Load("/x/orvane", true);
    s.SetSizeObjectLabel(9);
    s.SetSizeText(31);
    s.SetDisplayUnits(0);
    s.SetToolReset(false);
    s.SetAutoResultOpen(false);
    s.SetBackupBeforeOverwrite(false);
    s.SetDiagnosticMode(true);
    EXPECT_EQ(Stored("Fonts/SizeObjectLabel").toInt(), 9);
    EXPECT_EQ(Stored("Fonts/SizeText").toInt(), 31);
    EXPECT_EQ(Stored("Settings/DisplayUnits").toInt(), 0);
    EXPECT_EQ(Stored("Settings/ToolReset").toInt(), 0);
    EXPECT_EQ(Stored("Settings/AutoResultOpen").toInt(), 0);
    EXPECT_EQ(Stored("Settings/BackupBeforeOverwrite").toInt(), 0);
    EXPECT_EQ(Stored("Settings/DiagnosticMode").toInt(), 1);

    CSystemSettings reread;
    reread.Load("/x/orvane", true);
    EXPECT_EQ(reread.SizeText(), 31);
    EXPECT_EQ(reread.DisplayUnits(), 0);
    EXPECT_FALSE(reread.ToolReset());
    EXPECT_TRUE(reread.DiagnosticMode());
}

TEST_F(SettingsTest, library_helpers_answer_defaults_without_settings_and_follow_them_with) {
    SetAppSettings(nullptr);
    EXPECT_EQ(app_font_size(0), 10);
    EXPECT_EQ(app_font_size(1), 10);
    EXPECT_EQ(app_backup_enabled(), 0);
    EXPECT_EQ(app_diagnostic_mode(), 0);

    CSystemSettings s;
    s.Load(ORVANE_PROGRAM_DIR "Orvane", false);
    s.SetSizeObjectLabel(8);
    s.SetDiagnosticMode(true);
    SetAppSettings(&s);
    EXPECT_EQ(app_font_size(0), 8);
    EXPECT_EQ(app_font_size(1), 12);
    EXPECT_EQ(app_font_size(2), 10);
    EXPECT_EQ(app_font_size(-1), 10);
    EXPECT_FLOAT_EQ(app_font_size_cm(1), 12 * 2.54f / 72);  // 0.42333 cm
    EXPECT_EQ(app_backup_enabled(), 1);
    EXPECT_EQ(app_diagnostic_mode(), 1);

    // The trace path is fixed at its first answer.
    EXPECT_STREQ(app_trace_path(), ORVANE_PROGRAM_DIR "zeftrace.txt");
    s.Load("/elsewhere/orvane", false);
    EXPECT_STREQ(app_trace_path(), ORVANE_PROGRAM_DIR "zeftrace.txt");
}

}  // namespace

// Result files under a comma-decimal locale: the program as the user starts
// it (the QApplication takes the locale from LC_ALL, see program_test_main)
// and zef_run in that locale write the bytes of a zef_run in the C locale,
// and the viewer reads them.
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>

#include "../ui/scenario_script.h"
#include "message_box.h"
#include "plot_launch.h"
#include "string_table.h"
#include "result_data.h"

namespace {

const QString kExamples = QStringLiteral(ORVANE_SOURCE_DIR "/examples/scenarios/");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Scenario {
    const char* name;
    QByteArray from, to;  // an edit of the shipped file
    QStringList results;  // extensions of the files the runs write
};

QString copyScenario(const QTemporaryDir& dir, const Scenario& sc) {
    QByteArray text = readAll(kExamples + sc.name);
    if (!sc.from.isEmpty()) {
        if (!text.contains(sc.from)) return QString();
        text.replace(sc.from, sc.to);
    }
    const QString path = dir.filePath(sc.name);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size() ? path : QString();
}

// zef_run --nearfield on a copy in dir, in the given locale (empty: this
// process's); writes the .brn beside the other results.
int zefRun(const QString& zef, const QString& locale) {
    QProcess p;
    if (!locale.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", locale);
        env.insert("LANG", locale);
        p.setProcessEnvironment(env);
    }
    p.start(QStringLiteral(ORVANE_BIN_DIR "/zef_run"), {"--nearfield", zef});
    p.waitForFinished(300000);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        ADD_FAILURE() << zef.toStdString() << ": " << p.readAllStandardError().toStdString();
    return p.exitCode();
}

class RecordingLauncher : public CPlotLauncher {
public:
    void Start(const QString&, const QStringList& args) override { file = args.value(0); }
    QString file;
};

TEST(CommaLocale, program_and_zef_run_write_the_bytes_of_a_c_locale_run) {
    ASSERT_STREQ(std::localeconv()->decimal_point, ",")
        << "the program did not take the comma-decimal locale: is de_DE.UTF-8 installed "
           "(scripts/install-deps.sh)?";

    const Scenario scenarios[] = {
        {"gas_export.zef", {}, {}, {".plt", ".log", ".brn", ".dbs"}},
        // With the air emission file: an hour after new year's eve.
        {"oil_line.zef",
         "<attribute name=\"option_Ulv5\">\n          <boolean val=\"false\"/>\n        "
         "</attribute>",
         "<attribute name=\"option_Ulv5\"><boolean val=\"true\"/></attribute>"
         "<attribute name=\"start_year\"><int val=\"2024\"/></attribute>"
         "<attribute name=\"start_month\"><int val=\"12\"/></attribute>"
         "<attribute name=\"start_day\"><int val=\"31\"/></attribute>"
         "<attribute name=\"start_hour\"><int val=\"23\"/></attribute>"
         "<attribute name=\"start_minute\"><int val=\"30\"/></attribute>",
         {".plt", ".log", ".brn", ".dbs", ".dat"}},
    };
    for (const Scenario& sc : scenarios) {
        SCOPED_TRACE(sc.name);
        QTemporaryDir cDir, zefDir, programDir;
        const QString cZef = copyScenario(cDir, sc), zefZef = copyScenario(zefDir, sc),
                      programZef = copyScenario(programDir, sc);
        ASSERT_FALSE(cZef.isEmpty() || zefZef.isEmpty() || programZef.isEmpty());
        ASSERT_EQ(zefRun(cZef, "C"), 0);
        ASSERT_EQ(zefRun(zefZef, QString()), 0);

        // The program: Calculate All, then both plot commands (the release
        // plot writes the branch names).
        {
            ScenarioScript s;
            ASSERT_TRUE(s.Start());
            s.app->GetSettings().SetAutoResultOpen(false);
            ASSERT_TRUE(s.app->OpenDocumentFile(programZef));
            ScriptedMessageBoxes boxes;
            s.Main()->ExecuteCommand(ID_SCENARIO_CALC_ALL);
            // Only the message that names the plume files written.
            QStringList written{ResultFilePath(programZef, ".dbs")};
            if (sc.results.contains(".dat")) written << ResultFilePath(programZef, ".dat");
            EXPECT_EQ(boxes.Texts(), QStringList{AfxLoadString(16260).arg(written.join('\n'))});
            RecordingLauncher launcher;
            SetPlotLauncher(&launcher);
            s.Main()->ExecuteCommand(ID_RESULT_RELEASE_PLOT);
            EXPECT_EQ(launcher.file, ResultFilePath(programZef, ".plt"));
            s.Main()->ExecuteCommand(ID_RESULT_NEARFIELD_PLOT);
            EXPECT_EQ(launcher.file, ResultFilePath(programZef, ".dbs"));
            SetPlotLauncher(nullptr);
            s.Doc()->SetModifiedFlag(false);
        }

        for (const QString& ext : sc.results) {
            const QByteArray c = readAll(ResultFilePath(cZef, ext.toLatin1().constData()));
            EXPECT_FALSE(c.isEmpty()) << ext.toStdString();
            for (const QString& zef : {zefZef, programZef})
                EXPECT_TRUE(readAll(ResultFilePath(zef, ext.toLatin1().constData())) == c)
                    << ext.toStdString() << " of " << zef.toStdString()
                    << " differs from the C-locale run's";
        }

        // The viewer, in this locale, reads what the program wrote (a refused
        // file says why on standard error).
        for (const char* ext : {".plt", ".dbs"}) {
            tessel::ResultData data;
            const QString file = ResultFilePath(programZef, ext);
            data.IsPlt = tessel::IsResultTimeSeries(file);
            EXPECT_TRUE(tessel::ReadResultFile(data, file, QStringLiteral(ORVANE_BIN_DIR))) << ext;
            EXPECT_GT(data.nCol, 0) << ext;
        }
    }
}

}  // namespace

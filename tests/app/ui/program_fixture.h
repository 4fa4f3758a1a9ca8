#pragma once
// The program started for a window test: settings reset, metric display
// units, the main window shown, message boxes answered by the script and a
// folder of the test's own for its files.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "message_box.h"
#include "scenario_script.h"

class ProgramWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(s.Start());
        s.app->GetSettings().SetToolReset(true);
        s.app->GetSettings().SetDisplayUnits(0);
        s.Main()->show();
    }
    QString Path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    ScriptedMessageBoxes boxes;
    ScenarioScript s;
};

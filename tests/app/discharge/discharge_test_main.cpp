// Test main of the discharge road without widgets: an event loop for the
// worker threads, settings under a temporary XDG_CONFIG_HOME, the diagram
// library's object types and the unit tables of the build.
#include "system_settings.h"
#include "units.h"

#include <vexil/object.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    QTemporaryDir config;
    if (!config.isValid()) return 2;
    setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    CSystemSettings settings;
    settings.Load(ORVANE_PROGRAM_DIR "Orvane", false);
    SetAppSettings(&settings);
    if (!vexil_startup() || !LoadUnitTables()) return 2;
    const int rc = RUN_ALL_TESTS();
    SetAppSettings(nullptr);
    return rc;
}

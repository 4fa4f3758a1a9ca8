// Tests of the pipeline-database link. They run inside dbus-run-session, so
// the session bus is a private one of the test.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

#include "system_settings.h"
#include "units.h"
#include "vexil/object.h"

int main(int argc, char** argv) {
    // The sink judges values as the program does, with its unit tables.
    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    CSystemSettings settings;
    settings.Load(ORVANE_PROGRAM_DIR "Orvane", false);
    SetAppSettings(&settings);
    if (!LoadUnitTables()) return 2;
    vexil_startup();
    const int status = RUN_ALL_TESTS();
    SetAppSettings(nullptr);
    vexil_shutdown();
    return status;
}

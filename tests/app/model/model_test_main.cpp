// Test main of the model layer: QSettings reads and writes under a temporary
// XDG_CONFIG_HOME, never the user's own settings.
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
    return RUN_ALL_TESTS();
}

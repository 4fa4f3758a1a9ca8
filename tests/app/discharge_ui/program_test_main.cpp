// Runs the program tests inside one QApplication, settings in a temporary
// configuration folder; offscreen unless a platform is asked for (Xvfb).
// Built with ORVANE_TEST_LOCALE, the user's environment names that locale
// before the QApplication starts, whose own set-up then gives it the process.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
#ifdef ORVANE_TEST_LOCALE
    qputenv("LC_ALL", ORVANE_TEST_LOCALE);
    qputenv("LANG", ORVANE_TEST_LOCALE);
#endif
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

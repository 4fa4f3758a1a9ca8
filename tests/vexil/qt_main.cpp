// Test entry of the Qt suites: an offscreen GUI application for the fonts.
#include <QGuiApplication>

#include "support.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    vexil_startup();
    register_test_types();
    int result = RUN_ALL_TESTS();
    vexil_shutdown();
    return result;
}

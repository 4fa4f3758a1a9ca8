// Test entry of the Qt-free suites.
#include "support.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The library's own types when they are there; the test types always.
    vexil_startup();
    type_registry_init();
    register_test_types();
    int result = RUN_ALL_TESTS();
    vexil_shutdown();
    return result;
}

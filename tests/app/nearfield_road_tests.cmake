# The near-field road end to end: zef_run --nearfield on the shipped examples
# and the program's near-field commands, headless.
if(TARGET orvane_ui AND TARGET Orvane AND TARGET zef_run)
  add_executable(orvane_nearfield_road_tests
    discharge_ui/program_test_main.cpp
    nearfield_road/nearfield_road_test.cpp)
  target_link_libraries(orvane_nearfield_road_tests PRIVATE orvane_ui Qt6::Test GTest::gtest)
  target_compile_options(orvane_nearfield_road_tests PRIVATE -Wshadow)
  target_compile_definitions(orvane_nearfield_road_tests PRIVATE
    ORVANE_TEST_ARTIFACTS="${ORVANE_TEST_ARTIFACTS}"
    ORVANE_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    ZEF_RUN_PATH="$<TARGET_FILE:zef_run>"
    ORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(orvane_nearfield_road_tests zef_run)
  gtest_discover_tests(orvane_nearfield_road_tests
    TEST_PREFIX "nearfield_road."
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 600)

  # Discharge and near field in the program under a comma-decimal locale
  # (scripts/install-deps.sh makes de_DE.UTF-8), against zef_run in the C
  # locale; the viewer reads the files.
  add_executable(orvane_comma_locale_tests
    discharge_ui/program_test_main.cpp
    nearfield_road/comma_locale_test.cpp)
  target_link_libraries(orvane_comma_locale_tests PRIVATE orvane_ui tessel_core Qt6::Test GTest::gtest)
  target_compile_options(orvane_comma_locale_tests PRIVATE -Wshadow)
  target_compile_definitions(orvane_comma_locale_tests PRIVATE
    ORVANE_TEST_LOCALE="de_DE.UTF-8"
    ORVANE_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    ORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(orvane_comma_locale_tests zef_run)
  gtest_discover_tests(orvane_comma_locale_tests
    TEST_PREFIX "nearfield_road."
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 600)
endif()

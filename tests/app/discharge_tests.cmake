# The discharge road: worker tasks, the discharge run through the library,
# the "release" file section, the summary report text, result files, the
# branch-name file and the plot viewer's start (no widgets).
add_executable(orvane_discharge_tests
  discharge/discharge_test_main.cpp
  discharge/discharge_fixture.h
  discharge/worker_task_test.cpp
  discharge/release_run_test.cpp
  discharge/release_section_test.cpp
  discharge/report_text_test.cpp
  discharge/plot_launch_test.cpp
  discharge/example_scenarios.h
  discharge/zef_run_test.cpp
  discharge/verify_refusals_test.cpp
  discharge/zef_run_process.h
  discharge/result_commit_test.cpp)
# File system faults preloaded into zef_run by the result-commit tests.
add_library(zef_run_fault_shim MODULE discharge/fault_shim.c)
target_link_libraries(zef_run_fault_shim PRIVATE ${CMAKE_DL_LIBS})
add_dependencies(orvane_discharge_tests zef_run_fault_shim)
target_include_directories(orvane_discharge_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/model)
target_link_libraries(orvane_discharge_tests PRIVATE orvane_model GTest::gtest Qt6::Core)
target_compile_options(orvane_discharge_tests PRIVATE -Wshadow)
target_compile_definitions(orvane_discharge_tests PRIVATE ORVANE_PROGRAM_DIR="${CMAKE_BINARY_DIR}/bin/"
  ZEF_RUN_PATH="$<TARGET_FILE:zef_run>" ORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
  FAULT_SHIM_PATH="$<TARGET_FILE:zef_run_fault_shim>")
add_dependencies(orvane_discharge_tests zef_run)
gtest_discover_tests(orvane_discharge_tests TEST_PREFIX "discharge." DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)

# The discharge road in the program, headless (offscreen), with pictures.
if(TARGET orvane_ui AND TARGET Orvane)
  add_executable(orvane_discharge_program_tests
    discharge_ui/program_test_main.cpp
    discharge_ui/discharge_program_test.cpp
    discharge_ui/kept_results_test.cpp)
  target_link_libraries(orvane_discharge_program_tests PRIVATE orvane_ui Qt6::Test GTest::gtest)
  target_compile_options(orvane_discharge_program_tests PRIVATE -Wshadow)
  target_compile_definitions(orvane_discharge_program_tests PRIVATE
    ORVANE_TEST_ARTIFACTS="${ORVANE_TEST_ARTIFACTS}"
    ORVANE_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    ORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    ZEF_RUN_PATH="$<TARGET_FILE:zef_run>"
    FAULT_SHIM_PATH="$<TARGET_FILE:zef_run_fault_shim>")
  add_dependencies(orvane_discharge_program_tests Orvane zef_run zef_run_fault_shim)
  gtest_discover_tests(orvane_discharge_program_tests
    TEST_PREFIX "discharge_program."
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endif()

# The same pictures on a real X server, when Xvfb is on the machine.
find_program(XVFB_RUN xvfb-run)
if(XVFB_RUN AND TARGET orvane_discharge_program_tests)
  add_test(NAME discharge_program.pictures_on_xvfb
           COMMAND ${XVFB_RUN} -a $<TARGET_FILE:orvane_discharge_program_tests>
                   --gtest_filter=DischargeProgram.pictures_after_calculate_discharge_and_of_the_summary)
  set_tests_properties(discharge_program.pictures_on_xvfb PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=xcb;DISCHARGE_PICTURE_PREFIX=xvfb_" TIMEOUT 300
    RESOURCE_LOCK xvfb)
endif()

# zef_run runs without the widget stack: its libraries hold Qt Core only.
add_test(NAME discharge.zef_run_links_qt_core_only
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/discharge/qt_core_only.sh $<TARGET_FILE:zef_run>)

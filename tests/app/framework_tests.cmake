# The program's framework layer: commands, documents, frames, dialogs and the
# property list, driven on the offscreen platform.
find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets Test)
add_executable(framework_tests
  framework/test_main.cpp
  framework/command_line_test.cpp
  framework/command_routing_test.cpp
  framework/dialog_exchange_test.cpp
  framework/document_test.cpp
  framework/prop_list_ctrl_test.cpp
  framework/string_table_test.cpp
  framework/message_box_test.cpp
  framework/unknown_id_log.h
)
target_link_libraries(framework_tests PRIVATE orvane_framework Qt6::Test GTest::gtest)
target_compile_options(framework_tests PRIVATE -Wall -Wextra -Wshadow)
gtest_discover_tests(framework_tests
  TEST_PREFIX "framework."
  DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)

# The program's windows and dialogs.
add_executable(orvane_ui_tests
  framework/test_main.cpp
  ui/main_frame_test.cpp
  ui/zoom_dlg_test.cpp
)
target_include_directories(orvane_ui_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/framework)
target_link_libraries(orvane_ui_tests PRIVATE orvane_ui Qt6::Test GTest::gtest)
target_compile_options(orvane_ui_tests PRIVATE -Wall -Wextra -Wshadow)
target_compile_definitions(orvane_ui_tests PRIVATE ORVANE_TEST_ARTIFACTS="${ORVANE_TEST_ARTIFACTS}")
gtest_discover_tests(orvane_ui_tests
  TEST_PREFIX "orvane_ui."
  DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)

# The whole program driven like a user (needs the model layer and the
# diagram library's drawing backend).
if(TARGET orvane_model AND TARGET vexil_qt)
  add_executable(orvane_program_tests
    framework/test_main.cpp
    ui/fluid_options_test.cpp
    ui/scenario_test.cpp
    ui/object_dialogs_test.cpp
    ui/entered_values_test.cpp
  )
  target_include_directories(orvane_program_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/framework)
  target_link_libraries(orvane_program_tests PRIVATE orvane_ui Qt6::Test GTest::gtest)
  target_compile_options(orvane_program_tests PRIVATE -Wall -Wextra -Wshadow)
  target_compile_definitions(orvane_program_tests PRIVATE
    ORVANE_TEST_ARTIFACTS="${ORVANE_TEST_ARTIFACTS}"
    ORVANE_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    ORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(orvane_program_tests Orvane)
  gtest_discover_tests(orvane_program_tests
    TEST_PREFIX "orvane_program."
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
  # The pictures of the main window and the dialogs once more on a real X
  # server (a virtual one), as a user's desktop draws them.
  find_program(ORVANE_XVFB_RUN xvfb-run)
  if(ORVANE_XVFB_RUN)
    add_test(NAME orvane_program.pictures_under_xvfb
             COMMAND ${ORVANE_XVFB_RUN} -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:orvane_program_tests>
                     --gtest_filter=Program.PicturesOfEveryDialog:Program.ScriptedScenarioInEnglishUnitsVerifiesSavesAndReopens:Program.TheRunsUseTheChosenFluidAndABlackOilInletTakesItsLiquidRate)
    set_tests_properties(orvane_program.pictures_under_xvfb PROPERTIES
                         TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=xcb" RESOURCE_LOCK xvfb)
  endif()
endif()

# Draws the example scenarios of examples/scenarios with the program.
if(TARGET orvane_model AND TARGET vexil_qt)
  add_executable(orvane_make_examples ui/make_examples.cpp)
  target_link_libraries(orvane_make_examples PRIVATE orvane_ui)
  target_compile_definitions(orvane_make_examples PRIVATE ORVANE_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
endif()

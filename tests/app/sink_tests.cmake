# The pipeline-database link: the sink on the session bus (against a
# stand-in database program), the import, and the automation service's
# registration. The bus tests run inside their own dbus-run-session.
find_package(Qt6 6.4 REQUIRED COMPONENTS Core DBus Xml)
find_program(DBUS_RUN_SESSION dbus-run-session REQUIRED)

add_executable(zefdb_server sink/zefdb_server.cpp)
target_link_libraries(zefdb_server PRIVATE Qt6::Core Qt6::DBus)
target_include_directories(zefdb_server PRIVATE ${PROJECT_SOURCE_DIR}/app/dbus)
set_target_properties(zefdb_server PROPERTIES AUTOMOC ON)

add_executable(sink_tests
  sink/sink_test_main.cpp
  sink/import_test.cpp
  sink/bus_test.cpp
  sink/registration_test.cpp
  sink/server_process.h)
target_link_libraries(sink_tests PRIVATE orvane_dbus GTest::gtest Qt6::Core Qt6::DBus Qt6::Xml)
target_compile_options(sink_tests PRIVATE -Wshadow)
target_compile_definitions(sink_tests PRIVATE
  ZEFDB_SERVER="$<TARGET_FILE:zefdb_server>"
  ORVANE_PROGRAM_DIR="${CMAKE_BINARY_DIR}/bin/"
  SINK_XML_DIR="${PROJECT_SOURCE_DIR}/app/dbus")
add_dependencies(sink_tests zefdb_server)
add_test(NAME sink_tests COMMAND ${DBUS_RUN_SESSION} -- $<TARGET_FILE:sink_tests>)
set_tests_properties(sink_tests PROPERTIES TIMEOUT 300)

# The same in the running program: From Database, and the registration and
# activation of the automation service end to end.
if(TARGET Orvane)
  find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets Test)
  add_executable(sink_program_tests framework/test_main.cpp sink/from_database_test.cpp)
  target_include_directories(sink_program_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/ui ${CMAKE_CURRENT_SOURCE_DIR}/sink)
  target_link_libraries(sink_program_tests PRIVATE orvane_ui Qt6::Test GTest::gtest)
  target_compile_options(sink_program_tests PRIVATE -Wshadow)
  target_compile_definitions(sink_program_tests PRIVATE
    ZEFDB_SERVER="$<TARGET_FILE:zefdb_server>"
    ORVANE_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  add_dependencies(sink_program_tests zefdb_server Orvane)
  add_test(NAME sink_program_tests
           COMMAND ${DBUS_RUN_SESSION} -- $<TARGET_FILE:sink_program_tests> --gtest_filter=-NoBus.*)
  add_test(NAME sink_program_without_bus
           COMMAND $<TARGET_FILE:sink_program_tests> --gtest_filter=NoBus.*)
  set_tests_properties(sink_program_without_bus PROPERTIES
    ENVIRONMENT "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/orvane-no-bus")
  set_tests_properties(sink_program_tests PROPERTIES TIMEOUT 300)

  find_program(SINK_TEST_SH sh REQUIRED)
  add_test(NAME sink_activation
           COMMAND ${SINK_TEST_SH} ${CMAKE_CURRENT_SOURCE_DIR}/sink/activation_test.sh $<TARGET_FILE:Orvane>)
  set_tests_properties(sink_activation PROPERTIES TIMEOUT 120 PASS_REGULAR_EXPRESSION "PASS")
endif()

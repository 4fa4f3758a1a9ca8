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
  sink/registration_test.cpp)
target_link_libraries(sink_tests PRIVATE orvane_dbus GTest::gtest Qt6::Core Qt6::DBus Qt6::Xml)
target_compile_options(sink_tests PRIVATE -Wshadow)
target_compile_definitions(sink_tests PRIVATE
  ZEFDB_SERVER="$<TARGET_FILE:zefdb_server>"
  SINK_XML_DIR="${PROJECT_SOURCE_DIR}/app/dbus")
add_dependencies(sink_tests zefdb_server)
add_test(NAME sink_tests COMMAND ${DBUS_RUN_SESSION} -- $<TARGET_FILE:sink_tests>)
set_tests_properties(sink_tests PROPERTIES TIMEOUT 300)

# Tests of the near-field models: the plume formulas against an independent
# integration of the plume equations, the result files, the task base.
add_executable(nearfield_tests
  ${CMAKE_CURRENT_LIST_DIR}/nearfield/plume_formulas_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/nearfield/plume_files_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/nearfield/ulv5_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/nearfield/nearfield_model_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/nearfield/nearfield_section_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/nearfield/nearfield_messages_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/nearfield/plume_library_test.cpp)
# The string table (of the framework) only for the texts of the messages.
target_link_libraries(nearfield_tests PRIVATE orvane_model orvane_framework GTest::gtest_main)
target_compile_options(nearfield_tests PRIVATE -Wshadow)
target_compile_definitions(nearfield_tests PRIVATE
  NEARFIELD_FIXTURES="${CMAKE_CURRENT_LIST_DIR}/nearfield/fixtures"
  ORVANE_PROGRAM_DIR="${CMAKE_BINARY_DIR}/bin/")
gtest_discover_tests(nearfield_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)

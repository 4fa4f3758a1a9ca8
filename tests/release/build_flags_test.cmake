# Two builds of the library must write byte-identical result files. Builds the
# example program a second time, as an optimised build for this processor
# (Release, -O3 -march=native), in its own folder, runs both example programs
# on every bundled case in separate scratch folders and compares the .plt and
# .log files byte for byte. The second build folder is kept, so that a rerun
# only rebuilds what changed.
#
# Variables: SOURCE_DIR (project), BUILD_DIR (folder of the second build),
# REFERENCE (this build's release_example), CASES_DIR, SCRATCH_DIR,
# CXX_COMPILER, GENERATOR.
foreach(var SOURCE_DIR BUILD_DIR REFERENCE CASES_DIR SCRATCH_DIR CXX_COMPILER GENERATOR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "build_flags_test.cmake: ${var} is not set")
  endif()
endforeach()

execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BUILD_DIR} -G ${GENERATOR}
          -DCMAKE_BUILD_TYPE=Release
          -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
          "-DCMAKE_CXX_FLAGS_RELEASE=-O3 -DNDEBUG -march=native"
          -DRELEASE_TESTS=OFF -DRELEASE_SANITIZE=OFF
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "configuring the -march=native build failed:\n${out}")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target release_example -j 3
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "building the -march=native example program failed:\n${out}")
endif()

file(GLOB cases ${CASES_DIR}/*.json)
list(SORT cases)
if(NOT cases)
  message(FATAL_ERROR "no case files in ${CASES_DIR}")
endif()
file(REMOVE_RECURSE ${SCRATCH_DIR})
set(programs "reference=${REFERENCE}" "native=${BUILD_DIR}/examples/release_example")
foreach(entry ${programs})
  string(REGEX REPLACE "=.*" "" name "${entry}")
  string(REGEX REPLACE "^[^=]*=" "" program "${entry}")
  file(MAKE_DIRECTORY ${SCRATCH_DIR}/${name})
  execute_process(COMMAND ${program} ${cases} WORKING_DIRECTORY ${SCRATCH_DIR}/${name}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${program} failed:\n${out}")
  endif()
endforeach()

set(differ "")
foreach(c ${cases})
  get_filename_component(stem ${c} NAME_WE)
  foreach(ext plt log)
    set(a ${SCRATCH_DIR}/reference/${stem}.${ext})
    set(b ${SCRATCH_DIR}/native/${stem}.${ext})
    if(NOT EXISTS ${a} OR NOT EXISTS ${b})
      list(APPEND differ "${stem}.${ext} (missing)")
      continue()
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${a} ${b} RESULT_VARIABLE same)
    if(NOT same EQUAL 0)
      list(APPEND differ "${stem}.${ext}")
    endif()
  endforeach()
endforeach()
file(REMOVE_RECURSE ${SCRATCH_DIR})
if(differ)
  message(FATAL_ERROR "results of the -march=native build differ from this build's: ${differ}")
endif()
message(STATUS "results identical for ${cases}")

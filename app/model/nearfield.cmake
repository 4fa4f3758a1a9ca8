# The near-field models: the task base, the bubble plume and its result files.
target_sources(orvane_model PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/nearfield_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/nearfield_model.h
  ${CMAKE_CURRENT_LIST_DIR}/bubble_plume.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bubble_plume.h
  ${CMAKE_CURRENT_LIST_DIR}/ulv5_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ulv5_file.h)
target_sources(orvane_model PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/nearfield_task.cpp
  ${CMAKE_CURRENT_LIST_DIR}/nearfield_task.h)

# The near-field models: the task base, the bubble plume and its result files.
target_sources(orvane_model PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/NearFieldModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NearFieldModel.h
  ${CMAKE_CURRENT_LIST_DIR}/BubblePlume.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BubblePlume.h
  ${CMAKE_CURRENT_LIST_DIR}/Ulv5File.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Ulv5File.h)

# The plain reference model, shared by the fuzz targets and the hardening tests.
if(NOT TARGET purgix_reference_model)
  add_library(purgix_reference_model STATIC ${CMAKE_CURRENT_LIST_DIR}/reference_model.cpp)
  target_include_directories(purgix_reference_model PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(purgix_reference_model PUBLIC purgix_engine purgix_settings)
endif()

# GoogleTest: Debian's build for Linux; for a cross-build, built here from the sources
# Debian ships in /usr/src/googletest (package googletest), for the target system.
if(CMAKE_CROSSCOMPILING)
  set(PURGIX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross-builds")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${PURGIX_GTEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

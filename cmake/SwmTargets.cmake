# Helpers shared by every CMakeLists of the project.

# swm_glob_sources(VAR dir...): every .cpp below the given source folders.
function(swm_glob_sources var)
  set(all)
  foreach(dir ${ARGN})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND all ${found})
  endforeach()
  set(${var} ${all} PARENT_SCOPE)
endfunction()

include(GoogleTest)
find_package(GTest REQUIRED)

# swm_test_folder(NAME dir [LIBS...]): one GoogleTest executable of every .cpp in tests/<dir>.
function(swm_test_folder name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs} ${CMAKE_SOURCE_DIR}/tests/support/TestMain.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/include)
  target_compile_options(${name} PRIVATE ${SWM_WARNINGS})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock ${ARGN})
  target_compile_definitions(${name} PRIVATE
    SWM_BUILD_DIR="${CMAKE_BINARY_DIR}" SWM_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  # Dialog tests share the one X display: simulated key presses go to whichever
  # window has the focus, so they run one at a time.
  set(lock)
  if(dir STREQUAL "dialogs")
    set(lock RESOURCE_LOCK display)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 120 ${lock})
endfunction()

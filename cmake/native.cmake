# Native build: the core and its unit tests against the fakes, run by ctest.
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

file(GLOB VKR_UNIT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(unit_tests ${VKR_UNIT_SOURCES})
target_link_libraries(unit_tests PRIVATE vkr_fakes GTest::gmock GTest::gtest GTest::gtest_main Threads::Threads)
target_compile_options(unit_tests PRIVATE ${VKR_WARNINGS})
include(GoogleTest)
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60)

if(VKR_FUZZ)
  add_subdirectory(tests/fuzz)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/CMakeLists.txt)
  add_subdirectory(bench)
endif()

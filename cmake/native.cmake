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

# The Linux edition: the GTK 3, WebKitGTK 4.1 and libcurl adapters, the executable `vkr` with its
# skin beside it in out/, and the adapter tests that run under Xvfb. Built when the development
# packages are there (scripts/setup installs them).
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND AND NOT VKR_FUZZ)
  pkg_check_modules(VKR_GTK IMPORTED_TARGET gtk+-3.0 webkit2gtk-4.1 libcurl)
endif()
if(VKR_GTK_FOUND)
  set(VKR_GTK_OUT ${CMAKE_BINARY_DIR}/out)
  set(VKR_EMBEDDED ${CMAKE_BINARY_DIR}/generated/embedded_resources.cpp)
  file(STRINGS ${CMAKE_SOURCE_DIR}/resources/vkr.rc VKR_RC_LINES REGEX "^[A-Z0-9_]+ +(RCDATA|ICON) +\"[^\"]+\"")
  set(VKR_RC_FILES)
  foreach(line IN LISTS VKR_RC_LINES)
    string(REGEX MATCH "\"([^\"]+)\"" _ "${line}")
    list(APPEND VKR_RC_FILES ${CMAKE_SOURCE_DIR}/resources/${CMAKE_MATCH_1})
  endforeach()
  add_custom_command(OUTPUT ${VKR_EMBEDDED}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
    COMMAND ${CMAKE_COMMAND} -DRC_FILE=${CMAKE_SOURCE_DIR}/resources/vkr.rc -DOUTPUT=${VKR_EMBEDDED}
            -P ${CMAKE_SOURCE_DIR}/cmake/embed_resources.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/vkr.rc ${CMAKE_SOURCE_DIR}/cmake/embed_resources.cmake ${VKR_RC_FILES}
    COMMENT "Embedding the windows' pictures")

  file(GLOB VKR_GTK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/gtk/*.cpp)
  add_library(vkr_gtk STATIC ${VKR_GTK_SOURCES} ${VKR_EMBEDDED})
  target_link_libraries(vkr_gtk PUBLIC vkr_core PkgConfig::VKR_GTK Threads::Threads)
  target_compile_options(vkr_gtk PRIVATE ${VKR_WARNINGS})
  target_compile_definitions(vkr_gtk PRIVATE VKR_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    VKR_VERSION_MINOR=${PROJECT_VERSION_MINOR} VKR_VERSION_PATCH=${PROJECT_VERSION_PATCH}
    VKR_VERSION_TWEAK=${PROJECT_VERSION_TWEAK})

  add_executable(vkr ${CMAKE_SOURCE_DIR}/src/app/main_gtk.cpp)
  target_link_libraries(vkr PRIVATE vkr_gtk)
  target_compile_options(vkr PRIVATE ${VKR_WARNINGS})
  set_target_properties(vkr PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VKR_GTK_OUT})
  add_custom_command(TARGET vkr POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VKR_GTK_OUT}/Skin
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/resources/Skin/loginBack.png
            ${VKR_GTK_OUT}/Skin/loginBack.png)

  # The reference program of the Linux start-up and memory benchmark (bench/run).
  add_executable(bare_webview ${CMAKE_SOURCE_DIR}/bench/bare_webview.c)
  target_link_libraries(bare_webview PRIVATE PkgConfig::VKR_GTK)
  set_target_properties(bare_webview PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

  file(GLOB VKR_GTK_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/gtk/*.cpp)
  if(VKR_GTK_TEST_SOURCES)
    add_executable(gtk_tests ${VKR_GTK_TEST_SOURCES})
    target_link_libraries(gtk_tests PRIVATE vkr_gtk vkr_fakes GTest::gmock GTest::gtest)
    target_include_directories(gtk_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_compile_options(gtk_tests PRIVATE ${VKR_WARNINGS})
    set_target_properties(gtk_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VKR_GTK_OUT})
    # Not a ctest test: they need a display, and scripts/test runs them on a private Xvfb.
  endif()
endif()

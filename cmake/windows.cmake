# Windows build: the Win32 adapters, vkr.exe and the adapter tests that run under Wine.
enable_language(RC)
find_package(Threads REQUIRED)

# The system libraries the adapters call, each named though CMake and the compiler driver add
# some of them by default (kernel32 always comes last, from the driver). The interface GUIDs come
# from uuid; the picture decoder is created through COM, so windowscodecs is not linked. OLE, OLE
# automation, the common controls and the RPC runtime are bound on first call
# (src/platform/win32/lazy_imports.cpp), so they are not linked either.
set(VKR_WIN32_LIBS uuid shell32 user32 gdi32 advapi32 version wininet iphlpapi ws2_32)

# vkr.exe is small rather than fast: nothing in it is bound by the processor (pictures are decoded
# by the system, transfers wait on the network), and every page of the file is read at start.
# Each function and datum in a section of its own lets the linker drop what nothing calls.
set(VKR_WIN32_SIZE_FLAGS -Os -ffunction-sections -fdata-sections)
target_compile_options(vkr_core PRIVATE ${VKR_WIN32_SIZE_FLAGS})

file(GLOB VKR_ADAPTER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/win32/*.cpp)
add_library(vkr_win32 STATIC ${VKR_ADAPTER_SOURCES})
target_link_libraries(vkr_win32 PUBLIC vkr_core ${VKR_WIN32_LIBS} Threads::Threads)
# The Windows headers' settings: for the adapters and everything built on them (vkr.exe, its tests,
# the benchmark programs), never for the portable core.
target_compile_definitions(vkr_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
target_compile_options(vkr_win32 PRIVATE ${VKR_WARNINGS} ${VKR_WIN32_SIZE_FLAGS})

add_executable(vkr WIN32 ${CMAKE_SOURCE_DIR}/src/app/main_win32.cpp ${CMAKE_SOURCE_DIR}/resources/vkr.rc)
target_link_libraries(vkr PRIVATE vkr_win32)
target_compile_options(vkr PRIVATE ${VKR_WARNINGS} ${VKR_WIN32_SIZE_FLAGS})
target_link_options(vkr PRIVATE -municode -s -Wl,--gc-sections)
set_target_properties(vkr PROPERTIES OUTPUT_NAME vkr RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/out)
# The login skin ships beside the program.
if(EXISTS ${CMAKE_SOURCE_DIR}/resources/Skin/loginBack.png)
  add_custom_command(TARGET vkr POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/out/Skin
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/resources/Skin/loginBack.png ${CMAKE_BINARY_DIR}/out/Skin/loginBack.png)
endif()

# GoogleTest from the sources Debian installs, cross-compiled.
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB VKR_WIN32_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*.cpp)
if(VKR_WIN32_TEST_SOURCES)
  add_executable(win32_tests ${VKR_WIN32_TEST_SOURCES})
  target_link_libraries(win32_tests PRIVATE vkr_win32 gmock gtest gtest_main)
  target_include_directories(win32_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_options(win32_tests PRIVATE ${VKR_WARNINGS})
  # vkr.exe sits beside the tests so that its version resource can be read.
  add_dependencies(win32_tests vkr)
  set_target_properties(win32_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/out)
  # One ctest entry per test, each in a process of its own, so that a test that crashes ends only
  # itself. The tests are read from the sources: listing them by running the program would need
  # Wine at build time.
  include(GoogleTest)
  gtest_add_tests(TARGET win32_tests SOURCES ${VKR_WIN32_TEST_SOURCES} TEST_LIST VKR_WIN32_TESTS)
  set_tests_properties(${VKR_WIN32_TESTS} PROPERTIES TIMEOUT 120)
  # The command interpreter reads a batch in the OEM code page: this test runs where it differs
  # from the ANSI one (1252 and 437).
  set_tests_properties(SelfDeleteBatchTest.AFolderNamedInTheOemCodePage PROPERTIES ENVIRONMENT LC_ALL=C.UTF-8)
endif()

# Test programs: the recording program that the stand-in serves as the installer and the companion
# updater (and that the e2e tests place where the launcher starts a program), and the reader of
# other processes' window texts (message-box texts are invisible to X tools), the WM_NULL round trip
# that shows a GUI thread still answers, the presser of a box's button, and the maker of shell links
# for the uninstall tests.
add_executable(run_recorder WIN32 ${CMAKE_SOURCE_DIR}/tools/standin/run_recorder.c)
add_executable(window_texts ${CMAKE_SOURCE_DIR}/tools/wintext/window_texts.c)
target_link_libraries(window_texts PRIVATE shell32)
add_executable(window_ping ${CMAKE_SOURCE_DIR}/tools/wintext/window_ping.c)
target_link_libraries(window_ping PRIVATE shell32)
add_executable(press_button ${CMAKE_SOURCE_DIR}/tools/wintext/press_button.c)
target_link_libraries(press_button PRIVATE shell32)
add_executable(make_shortcut ${CMAKE_SOURCE_DIR}/tools/shelllink/make_shortcut.c)
target_link_libraries(make_shortcut PRIVATE ole32 uuid shell32)
foreach(tool run_recorder window_texts window_ping press_button make_shortcut)
  target_compile_options(${tool} PRIVATE ${VKR_WARNINGS})
  target_link_options(${tool} PRIVATE -s)
  set_target_properties(${tool} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/out/tools)
endforeach()

if(EXISTS ${CMAKE_SOURCE_DIR}/bench/CMakeLists.txt)
  add_subdirectory(bench)
endif()

# The Windows adapters and their tests without Qt: what can be built and run
# here (cross-built with mingw-w64, run under Wine) before Qt for Windows.
if(NOT WIN32)
  message(FATAL_ERROR "WW_ADAPTERS_ONLY builds the Windows adapters: use cmake/mingw-w64-x86_64.cmake")
endif()

set(CMAKE_AUTOMOC OFF)
set(CMAKE_AUTORCC OFF)
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow=local)
include(${CMAKE_SOURCE_DIR}/cmake/WinAdapters.cmake)

file(GLOB win_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/portable/*.cpp
     ${CMAKE_SOURCE_DIR}/platform/portable/*.h ${CMAKE_SOURCE_DIR}/platform/win/*.cpp
     ${CMAKE_SOURCE_DIR}/platform/win/*.h)
add_library(ww_platform_win STATIC ${win_srcs})
target_include_directories(ww_platform_win PUBLIC ${CMAKE_SOURCE_DIR})
ww_win_adapter_settings(ww_platform_win)

if(WW_TESTS)
  enable_testing()
  # GoogleTest from Debian's source package, built for the target.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

  add_library(ww_test_support_win STATIC ${CMAKE_SOURCE_DIR}/tests/platform/win/WinTestKit.cpp)
  target_include_directories(ww_test_support_win PUBLIC ${CMAKE_SOURCE_DIR}
                             ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(ww_test_support_win PUBLIC ww_platform_win gtest)

  # The interface tests shared with the Linux build, and the Windows-only ones.
  file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/platform/shared/*.cpp
       ${CMAKE_SOURCE_DIR}/tests/platform/win/test_*.cpp)
  foreach(src ${test_sources})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE ww_test_support_win gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 120)
  endforeach()
endif()

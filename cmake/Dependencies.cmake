# Third-party libraries, found the same way for every subsystem:
#   velkoran::pcre2_16  PCRE2's 16-bit library
#   velkoran::httplib   cpp-httplib, for the local test servers and the simulator
#   GTest::gtest, GTest::gtest_main, GTest::gmock  (when tests are built)
#
# On Linux they are Debian's packages. For Windows they are built here with the
# cross compilers: PCRE2 and cpp-httplib from the Debian source packages that
# scripts/install-deps fetches into VELKORAN_DEPS_CACHE, GoogleTest from the
# sources Debian installs under /usr/src/googletest.

set(VELKORAN_DEPS_CACHE "$ENV{HOME}/.cache/velkoran" CACHE PATH
    "Where scripts/install-deps keeps the dependency sources for the Windows build")

if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(PCRE2_16 REQUIRED IMPORTED_TARGET libpcre2-16)
  add_library(velkoran::pcre2_16 ALIAS PkgConfig::PCRE2_16)
  pkg_check_modules(CPP_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
  add_library(velkoran::httplib ALIAS PkgConfig::CPP_HTTPLIB)
  if(VELKORAN_BUILD_TESTS)
    find_package(GTest REQUIRED)
  endif()
  return()
endif()

# --- Windows ---------------------------------------------------------------

# PCRE2: an installed one when PCRE2_DIR (or CMAKE_PREFIX_PATH) points at it,
# for example MSYS2's mingw-w64-x86_64-pcre2; otherwise built once per build
# folder from the Debian source, 16-bit library only, static, no JIT.
set(PCRE2_USE_STATIC_LIBS ON)
find_package(PCRE2 10.42 CONFIG QUIET COMPONENTS 16BIT)
if(NOT PCRE2_FOUND)
  set(pcre2_source "${VELKORAN_DEPS_CACHE}/pcre2-10.42")
  set(pcre2_prefix "${CMAKE_BINARY_DIR}/deps/pcre2")
  if(NOT EXISTS "${pcre2_source}/CMakeLists.txt")
    message(FATAL_ERROR "PCRE2 source not found in ${pcre2_source}: run scripts/install-deps, "
                        "or set PCRE2_DIR to an installed PCRE2 (lib/cmake/pcre2).")
  endif()
  if(NOT EXISTS "${pcre2_prefix}/cmake/pcre2-config.cmake")
    message(STATUS "Building PCRE2 for Windows from ${pcre2_source}")
    execute_process(
      COMMAND ${CMAKE_COMMAND} -S ${pcre2_source} -B ${CMAKE_BINARY_DIR}/deps/pcre2-build
              -G ${CMAKE_GENERATOR} -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
              -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=${pcre2_prefix}
              -DPCRE2_BUILD_PCRE2_8=OFF -DPCRE2_BUILD_PCRE2_16=ON -DPCRE2_BUILD_PCRE2_32=OFF
              -DBUILD_STATIC_LIBS=ON -DBUILD_SHARED_LIBS=OFF -DPCRE2_SUPPORT_JIT=OFF
              -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF
      OUTPUT_QUIET RESULT_VARIABLE pcre2_configured)
    if(pcre2_configured EQUAL 0)
      execute_process(COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR}/deps/pcre2-build
                              --target install
                      OUTPUT_QUIET RESULT_VARIABLE pcre2_built)
    endif()
    if(NOT pcre2_configured EQUAL 0 OR NOT pcre2_built EQUAL 0)
      message(FATAL_ERROR "Building PCRE2 for Windows failed (see ${CMAKE_BINARY_DIR}/deps)")
    endif()
  endif()
  # Searches below the cross root only; our prefix counts as one.
  list(APPEND CMAKE_FIND_ROOT_PATH ${pcre2_prefix})
  find_package(PCRE2 10.42 CONFIG REQUIRED COMPONENTS 16BIT
               PATHS ${pcre2_prefix} NO_DEFAULT_PATH)
endif()
add_library(velkoran::pcre2_16 ALIAS PCRE2::16BIT)

# cpp-httplib as one header (Debian's binary package ships a split header for
# its shared library, which does not exist for Windows); or an installed one
# (MSYS2's mingw-w64-x86_64-cpp-httplib).
set(httplib_source "${VELKORAN_DEPS_CACHE}/cpp-httplib-0.11.4")
add_library(velkoran_httplib INTERFACE)
if(EXISTS "${httplib_source}/httplib.h")
  target_include_directories(velkoran_httplib SYSTEM INTERFACE ${httplib_source})
else()
  find_package(httplib CONFIG QUIET)
  if(NOT httplib_FOUND)
    message(FATAL_ERROR "cpp-httplib not found in ${httplib_source}: run scripts/install-deps")
  endif()
  target_link_libraries(velkoran_httplib INTERFACE httplib::httplib)
endif()
target_link_libraries(velkoran_httplib INTERFACE ws2_32 crypt32)
add_library(velkoran::httplib ALIAS velkoran_httplib)

# GoogleTest: an installed one for this target (MSYS2), else built from the
# sources Debian's googletest package installs.
if(VELKORAN_BUILD_TESTS)
  find_package(GTest CONFIG QUIET)
  if(NOT GTest_FOUND)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/deps/googletest EXCLUDE_FROM_ALL)
  endif()
endif()

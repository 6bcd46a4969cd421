# The libraries of a Windows build, from the distribution's packages: fmt and
# spdlog compiled from their headers, the JSON library and CLI11 header-only,
# GoogleTest built from its source package. Their headers are reached through
# links in the build tree, since the host's /usr/include as a whole would bring
# the C library's headers.
set(WINDOWS_LIBRARY_INCLUDE_ROOT ${PROJECT_BINARY_DIR}/include/libraries)
file(MAKE_DIRECTORY ${WINDOWS_LIBRARY_INCLUDE_ROOT})
foreach(headers fmt spdlog nlohmann CLI valijson)
  file(CREATE_LINK /usr/include/${headers} ${WINDOWS_LIBRARY_INCLUDE_ROOT}/${headers} SYMBOLIC)
endforeach()

# fmt and spdlog are compiled once here, each into a static library that
# every module links (so each DLL keeps its own copy, as it would header-only):
# header-only, they doubled the compile time of every unit that logs.
# spdlog's tweakme.h already selects the external fmt.
add_library(orvanel_windows_fmt STATIC ${CMAKE_CURRENT_LIST_DIR}/windows/fmt.cpp)
target_include_directories(orvanel_windows_fmt SYSTEM PUBLIC ${WINDOWS_LIBRARY_INCLUDE_ROOT})
add_library(fmt::fmt ALIAS orvanel_windows_fmt)
add_library(orvanel_windows_spdlog STATIC ${CMAKE_CURRENT_LIST_DIR}/windows/spdlog.cpp)
target_compile_definitions(orvanel_windows_spdlog PUBLIC SPDLOG_COMPILED_LIB)
target_link_libraries(orvanel_windows_spdlog PUBLIC orvanel_windows_fmt)
add_library(spdlog::spdlog ALIAS orvanel_windows_spdlog)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${WINDOWS_LIBRARY_INCLUDE_ROOT})
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${WINDOWS_LIBRARY_INCLUDE_ROOT})
add_library(valijson INTERFACE IMPORTED)
target_include_directories(valijson SYSTEM INTERFACE ${WINDOWS_LIBRARY_INCLUDE_ROOT})

if(ORVANEL_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)  # makes GTest::gtest
endif()

# The compiler's runtime libraries lie beside the programs, where Windows looks
# first; Wine then needs no search path.
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                  OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  file(COPY ${runtime_path} DESTINATION ${PROJECT_BINARY_DIR})
endforeach()

# Programs run under Wine, in a prefix of this build tree; the first start
# creates it. Wine reaches the host's files through drive Z:.
find_program(WINE NAMES wine64 wine PATHS /usr/lib/wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${PROJECT_BINARY_DIR}/wine WINEDEBUG=-all ${WINE})
set(ORVANEL_HOST_DRIVE "Z:")

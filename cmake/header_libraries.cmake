# CLI11 and nlohmann-json, header-only, as targets for kestrel-cli and its
# tests. A cross build cannot use the host's CMake packages; it finds the
# headers in the folder KESTREL_HEADER_LIBRARIES names, which holds only them.
find_package(CLI11 CONFIG QUIET)
find_package(nlohmann_json CONFIG QUIET)

set(CLI11_header CLI/CLI.hpp)
set(nlohmann_json_header nlohmann/json.hpp)
foreach(library CLI11 nlohmann_json)
  if(NOT TARGET ${library}::${library})
    find_path(${library}_INCLUDE_DIR NAMES ${${library}_header} HINTS ${KESTREL_HEADER_LIBRARIES}
              NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    add_library(${library}::${library} INTERFACE IMPORTED)
    target_include_directories(${library}::${library} INTERFACE ${${library}_INCLUDE_DIR})
  endif()
endforeach()

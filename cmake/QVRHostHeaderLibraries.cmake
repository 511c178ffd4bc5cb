# Header-only libraries of the build machine for a cross build. Their Debian packages install into
# /usr/include, which a cross compiler must not search as a whole (the C library headers there
# would shadow the target's), so each library's own folder is linked into a staging folder and
# only that is added. Gives the targets find_package would.
set(QVR_HOST_HEADER_DIR ${PROJECT_BINARY_DIR}/host-headers)

function(qvr_stage_host_headers folder)
  if(NOT EXISTS /usr/include/${folder})
    return()
  endif()
  file(MAKE_DIRECTORY ${QVR_HOST_HEADER_DIR})
  file(CREATE_LINK /usr/include/${folder} ${QVR_HOST_HEADER_DIR}/${folder} SYMBOLIC)
endfunction()

qvr_stage_host_headers(CLI)
if(EXISTS ${QVR_HOST_HEADER_DIR}/CLI/CLI.hpp AND NOT TARGET CLI11::CLI11)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES
    INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${QVR_HOST_HEADER_DIR}
    INTERFACE_INCLUDE_DIRECTORIES ${QVR_HOST_HEADER_DIR})
  set(CLI11_FOUND TRUE)
endif()

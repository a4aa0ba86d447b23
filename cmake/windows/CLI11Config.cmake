# CLI11 for a cross build: the build machine's headers (see WindowsBuild.cmake).
if(NOT TARGET CLI11::CLI11)
    add_library(CLI11::CLI11 INTERFACE IMPORTED)
    set_target_properties(CLI11::CLI11 PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES ${QUORLANE_HOST_HEADERS})
endif()
set(CLI11_FOUND TRUE)

# What a build for Windows takes from the build machine. CLI11 and nlohmann-json are headers
# only: Debian's copies are used as they are, from a folder of their own, so that the cross
# compiler never sees the rest of the build machine's headers. GoogleTest is built from Debian's
# sources by the cross compiler (see tests/). ICU and OpenSSL are not used: Windows' own
# services stand in for them.
set(hostHeaders ${CMAKE_BINARY_DIR}/host-headers)
foreach(folder nlohmann CLI)
    if(NOT EXISTS /usr/include/${folder})
        message(FATAL_ERROR "/usr/include/${folder} is missing: install nlohmann-json3-dev and "
                            "libcli11-dev")
    endif()
    file(COPY /usr/include/${folder} DESTINATION ${hostHeaders})
endforeach()
set(QUORLANE_HOST_HEADERS ${hostHeaders} CACHE INTERNAL "")
set(nlohmann_json_DIR ${PROJECT_SOURCE_DIR}/cmake/windows CACHE PATH "" FORCE)
set(CLI11_DIR ${PROJECT_SOURCE_DIR}/cmake/windows CACHE PATH "" FORCE)

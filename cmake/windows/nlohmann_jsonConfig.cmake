# nlohmann-json for a cross build: the build machine's headers (see WindowsBuild.cmake).
if(NOT TARGET nlohmann_json::nlohmann_json)
    add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
    set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES ${QUORLANE_HOST_HEADERS})
endif()
set(nlohmann_json_FOUND TRUE)

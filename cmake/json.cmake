# nlohmann json (header-only, from Debian's nlohmann-json3-dev) as the target ostrel_json.
add_library(ostrel_json INTERFACE)
if(CMAKE_CROSSCOMPILING)
    # The cross compiler must not see /usr/include (glibc headers would mix into a Windows build),
    # so it gets a folder that holds only the library.
    set(json_source "/usr/include/nlohmann")
    set(json_include "${CMAKE_BINARY_DIR}/_deps/json-include")
    if(NOT EXISTS "${json_source}/json.hpp")
        message(FATAL_ERROR "nlohmann json not found in ${json_source}; run scripts/install-deps")
    endif()
    file(COPY "${json_source}" DESTINATION "${json_include}")
    target_include_directories(ostrel_json SYSTEM INTERFACE "${json_include}")
else()
    find_package(nlohmann_json 3 REQUIRED)
    target_link_libraries(ostrel_json INTERFACE nlohmann_json::nlohmann_json)
endif()

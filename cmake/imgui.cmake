# Dear ImGui with its Win32 and Direct3D 11 backends, from Debian's imgui source package,
# unpacked into the build tree at configure time (never committed).
set(IMGUI_DIR "${CMAKE_BINARY_DIR}/_deps/imgui")
if(NOT EXISTS "${IMGUI_DIR}/imgui.cpp")
    execute_process(COMMAND "${CMAKE_SOURCE_DIR}/scripts/fetch-imgui" "${IMGUI_DIR}" RESULT_VARIABLE fetched)
    if(NOT fetched EQUAL 0)
        message(FATAL_ERROR "Could not get Debian's imgui source package (scripts/fetch-imgui)")
    endif()
endif()

# The panel and its layout report use this version's calls and internals (its popup stack, its key
# array without an input queue); another version may build and still behave differently.
set(OSTREL_IMGUI_VERSION "1.86")
file(STRINGS "${IMGUI_DIR}/imgui.h" imgui_version_line REGEX "^#define IMGUI_VERSION +\"")
string(REGEX REPLACE "^#define IMGUI_VERSION +\"([^\"]*)\".*" "\\1" imgui_found_version "${imgui_version_line}")
if(NOT imgui_found_version STREQUAL OSTREL_IMGUI_VERSION)
    if(imgui_found_version STREQUAL "")
        set(imgui_found_version "no version")
    endif()
    message(FATAL_ERROR "Dear ImGui ${imgui_found_version} found in ${IMGUI_DIR}, but the program is written "
                        "for Dear ImGui ${OSTREL_IMGUI_VERSION} (Debian 12's imgui source package, which "
                        "scripts/fetch-imgui unpacks).")
endif()

add_library(imgui STATIC
    "${IMGUI_DIR}/imgui.cpp"
    "${IMGUI_DIR}/imgui_draw.cpp"
    "${IMGUI_DIR}/imgui_tables.cpp"
    "${IMGUI_DIR}/imgui_widgets.cpp"
    "${IMGUI_DIR}/backends/imgui_impl_win32.cpp"
    "${IMGUI_DIR}/backends/imgui_impl_dx11.cpp")
target_include_directories(imgui SYSTEM PUBLIC "${IMGUI_DIR}" "${IMGUI_DIR}/backends")
target_compile_options(imgui PRIVATE -w)
# The item hooks through which the test build of the program finds the panel's widgets. Public: the
# switch changes the library's declarations, which every file that includes its headers must agree on.
# Whoever links the library defines the hooks (src/panel/layout_report_none.cpp does nothing).
target_compile_definitions(imgui PUBLIC IMGUI_ENABLE_TEST_ENGINE)
target_link_libraries(imgui PUBLIC d3d11 d3dcompiler dwmapi gdi32 imm32)

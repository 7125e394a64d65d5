# The files of pure logic: they never include a Windows header, build natively and are tested natively.
set(OSTREL_PURE_FILES
    src/platform/module_path.h
    src/platform/module_path.cpp
    src/align/gray_code.h
    src/align/gray_code.cpp
    src/align/robust_fit.h
    src/align/robust_fit.cpp
    src/align/structured_light.h
    src/align/structured_light.cpp
    src/align/camera_fit.h
    src/align/camera_fit.cpp
    src/camera/camera_pixels.h
    src/camera/camera_pixels.cpp
    src/camera/camera_problem.h
    src/camera/camera_problem.cpp
    src/camera/media_type_choice.h
    src/camera/media_type_choice.cpp
    src/camera/standin_view.h
    src/camera/standin_view.cpp
    src/capture/capture_rules.h
    src/capture/capture_rules.cpp
    src/capture/pointer_shape.h
    src/capture/pointer_shape.cpp
    src/display/monitor_info.h
    src/display/monitor_info.cpp
    src/display/monitor_matching.h
    src/display/monitor_matching.cpp
    src/platform/log_line.h
    src/platform/log_line.cpp
    src/remote/osc_packet.h
    src/remote/osc_packet.cpp
    src/remote/remote_command.h
    src/remote/remote_command.cpp
    src/remote/remote_rules.h
    src/remote/remote_rules.cpp
    src/settings/run_value.h
    src/settings/run_value.cpp
    src/settings/settings_text.h
    src/settings/settings_text.cpp
    src/settings/edit_history.h
    src/settings/edit_history.cpp
    src/settings/preset_rules.h
    src/settings/preset_rules.cpp
    src/panel/panel_items.h
    src/panel/panel_items.cpp
    src/render/image_rules.h
    src/render/image_rules.cpp
    src/render/overlay_matrices.h
    src/render/overlay_matrices.cpp
    src/render/shader_texts.h
    src/render/test_patterns.h
    src/render/test_patterns.cpp
    src/warp/corner_editing.h
    src/warp/corner_editing.cpp
    src/warp/color_match.h
    src/warp/color_match.cpp
    src/warp/corner_point.h
    src/warp/edge_blend.h
    src/warp/edge_blend.cpp
    src/warp/mask.h
    src/warp/mask_darkness.h
    src/warp/mask_darkness.cpp
    src/warp/mesh.h
    src/warp/mesh.cpp
    src/warp/mesh_geometry.h
    src/warp/mesh_geometry.cpp
    src/warp/output_editing.h
    src/warp/output_editing.cpp
    src/warp/picture_warp.h
    src/warp/picture_warp.cpp
    src/warp/solve_warp.h
    src/warp/source_rect.h
    src/warp/solve_warp.cpp
    src/warp/warp_matrix.h
    src/warp/warp_matrix.cpp
)

# Pure files outside the program, checked alike and built only by what uses them: the benchmarks' arithmetic.
set(OSTREL_PURE_BENCH_FILES
    bench/pair_ratios.h
    bench/pair_ratios.cpp
)

set(OSTREL_PURE_SOURCES "")
foreach(file IN LISTS OSTREL_PURE_FILES)
    if(file MATCHES "\\.cpp$")
        list(APPEND OSTREL_PURE_SOURCES "${CMAKE_SOURCE_DIR}/${file}")
    endif()
endforeach()

# The build fails when a pure file includes a Windows header or a project header that is not pure.
set(OSTREL_PURE_STAMP "${CMAKE_BINARY_DIR}/pure_files_checked.stamp")
set(OSTREL_PURE_CHECKED ${OSTREL_PURE_FILES} ${OSTREL_PURE_BENCH_FILES})
list(TRANSFORM OSTREL_PURE_CHECKED PREPEND "${CMAKE_SOURCE_DIR}/" OUTPUT_VARIABLE OSTREL_PURE_PATHS)
add_custom_command(
    OUTPUT "${OSTREL_PURE_STAMP}"
    COMMAND "${CMAKE_COMMAND}" "-DROOT=${CMAKE_SOURCE_DIR}" "-DFILES=${OSTREL_PURE_CHECKED}"
            -P "${CMAKE_SOURCE_DIR}/cmake/check_pure_files.cmake"
    COMMAND "${CMAKE_COMMAND}" -E touch "${OSTREL_PURE_STAMP}"
    DEPENDS ${OSTREL_PURE_PATHS} "${CMAKE_SOURCE_DIR}/cmake/check_pure_files.cmake"
    COMMENT "Checking that pure files include no platform header"
    VERBATIM)
add_custom_target(pure_files_check ALL DEPENDS "${OSTREL_PURE_STAMP}")

# The build fails when a lower folder includes the app or the panel (dependencies run one way).
file(GLOB_RECURSE OSTREL_LAYERED_FILES CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/src/*.h" "${CMAKE_SOURCE_DIR}/src/*.cpp")
set(OSTREL_LAYERS_STAMP "${CMAKE_BINARY_DIR}/layers_checked.stamp")
add_custom_command(
    OUTPUT "${OSTREL_LAYERS_STAMP}"
    COMMAND "${CMAKE_COMMAND}" "-DROOT=${CMAKE_SOURCE_DIR}" -P "${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake"
    COMMAND "${CMAKE_COMMAND}" -E touch "${OSTREL_LAYERS_STAMP}"
    DEPENDS ${OSTREL_LAYERED_FILES} "${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake"
    COMMENT "Checking that lower folders include nothing of the app"
    VERBATIM)
add_custom_target(layers_check ALL DEPENDS "${OSTREL_LAYERS_STAMP}")

# cmake -DROOT=<source dir> -DFILES=<list> -P check_pure_files.cmake
cmake_minimum_required(VERSION 3.25)
# Fails when one of FILES includes a Windows SDK header, or a project header outside FILES (named from
# src/, or beside the file that includes it).
set(windows_headers
    "windows|winuser|windef|winbase|wingdi|winreg|winnt|minwindef|shellapi|shlobj|objbase|combaseapi|unknwn"
    "|d3d11[_0-9]*|d3dcommon|d3dcompiler|dxgi[_0-9]*|wincodec|dwmapi|wrl|wrl/client|tchar|intrin")
string(JOIN "" windows_headers ${windows_headers})

set(problems "")
foreach(file IN LISTS FILES)
    get_filename_component(folder "${file}" DIRECTORY)
    file(STRINGS "${ROOT}/${file}" includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
        string(TOLOWER "${line}" lowered)
        if(lowered MATCHES "include[ \t]*[<\"](${windows_headers})(\\.h)?[>\"]")
            list(APPEND problems "${file}: ${line}")
        elseif(line MATCHES "include[ \t]*\"([^\"]+)\"")
            if(NOT "src/${CMAKE_MATCH_1}" IN_LIST FILES AND NOT "${folder}/${CMAKE_MATCH_1}" IN_LIST FILES)
                list(APPEND problems "${file}: ${line} (not a pure header)")
            endif()
        endif()
    endforeach()
endforeach()

if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "Pure files must not depend on the platform:\n  ${text}")
endif()

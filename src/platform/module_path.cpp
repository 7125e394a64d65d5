// Folder of a path.
#include "platform/module_path.h"

std::optional<std::wstring> folderOfPath(std::wstring_view path)
{
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring_view::npos)
        return std::nullopt;
    std::wstring folder(path.substr(0, separator));
    if (folder.size() == 2 && folder[1] == L':')
        folder += path[separator];
    return folder;
}

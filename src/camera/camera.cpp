// The stand-in camera when its file lies beside the executable, the system's capture devices otherwise.
#include "camera/camera_sources.h"

namespace {

constexpr const wchar_t* kStandinName = L"Camera de teste";

bool standinPresent(const std::wstring& path)
{
    if (path.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

std::vector<std::wstring> listCameras()
{
    if (standinPresent(standinFilePath()))
        return {kStandinName};
    return listMediaFoundationCameras();
}

CameraOpening openCamera(const std::wstring& name, HWND notifyWindow)
{
    // The test set-up's file stands for every camera, so a name saved on another machine opens it too.
    if (const std::wstring path = standinFilePath(); standinPresent(path)) {
        CameraOpening opening{openStandinCamera(path, notifyWindow), {}, kStandinName};
        if (!opening.camera)
            opening.failure = cameraFailure("arquivo", static_cast<uint32_t>(E_FAIL));
        return opening;
    }
    return openMediaFoundationCamera(name, notifyWindow);
}

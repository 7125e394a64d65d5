// No camera: what the program has until its capture devices are read.
#include "camera/camera.h"

std::vector<std::wstring> listCameras()
{
    return {};
}

std::unique_ptr<Camera> openCamera(const std::wstring&, HWND)
{
    return nullptr;
}

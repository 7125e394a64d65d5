// The stand-in camera of the test set-up: the monitors' real pixels, read from the screen for every frame,
// seen through the views of camera-standin.json, one frame behind the screen and at most 30 a second.
#include <windows.h>
#include <mferror.h>

#include <cstdio>

#include "camera/camera_sources.h"
#include "camera/standin_view.h"
#include "display/monitors.h"
#include "platform/debug_log.h"
#include "platform/executable_path.h"
#include "platform/file_access.h"
#include "platform/module_path.h"

namespace {

constexpr ULONGLONG kFrameInterval = 33; // ms
constexpr const wchar_t* kStandinFile = L"camera-standin.json";

void logRefused(const char* problem)
{
    char line[512];
    std::snprintf(line, sizeof line, "Camera de teste recusada: camera-standin.json: %s", problem);
    Log("WARN", line);
}

// One monitor's screen copy: a memory DC and bitmap of its size, kept for the camera's life. Any of them
// may be null when the system is out of GDI resources; the copy then fails every frame.
class MonitorCopy {
public:
    explicit MonitorCopy(const Rect& area) : area_(area)
    {
        const HDC screen = GetDC(nullptr);
        if (!screen)
            return;
        memory_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, area.width(), area.height());
        previous_ = memory_ && bitmap_ ? SelectObject(memory_, bitmap_) : nullptr;
        ReleaseDC(nullptr, screen);
    }
    MonitorCopy(const MonitorCopy&) = delete;
    MonitorCopy& operator=(const MonitorCopy&) = delete;
    ~MonitorCopy()
    {
        if (previous_)
            SelectObject(memory_, previous_);
        if (bitmap_)
            DeleteObject(bitmap_);
        if (memory_)
            DeleteDC(memory_);
    }

    // The monitor as the screen shows it now, top-down 0xAARRGGBB (GDI leaves the fourth byte 0; the
    // model reads only the colours).
    bool read(HDC screen, MonitorPicture& picture) const
    {
        const int width = area_.width(), height = area_.height();
        // CAPTUREBLT takes layered (translucent) windows too, as a camera would see them.
        if (!previous_ || !BitBlt(memory_, 0, 0, width, height, screen, area_.left, area_.top, SRCCOPY | CAPTUREBLT))
            return false;
        picture.width = width;
        picture.height = height;
        picture.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        BITMAPINFO description{};
        description.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        description.bmiHeader.biWidth = width;
        description.bmiHeader.biHeight = -height; // top-down rows
        description.bmiHeader.biPlanes = 1;
        description.bmiHeader.biBitCount = 32;
        description.bmiHeader.biCompression = BI_RGB;
        return GetDIBits(memory_, bitmap_, 0, static_cast<UINT>(height), picture.pixels.data(), &description,
                         DIB_RGB_COLORS) == height;
    }

private:
    Rect area_;
    HDC memory_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// A one-shot timer wakes the program's loop when the next frame is due, as a device's message would.
void CALLBACK postFrameDue(HWND window, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(window, timer);
    PostMessageW(window, WM_CAMERA_FRAME, 0, 0);
}

class StandinCamera final : public Camera {
public:
    StandinCamera(const StandinSettings& settings, const std::vector<MonitorInfo>& monitors, std::wstring path,
                  HWND window)
        : model_(settings, sizesOf(monitors)), width_(settings.width), height_(settings.height), path_(std::move(path)),
          window_(window), pictures_(monitors.size())
    {
        std::vector<bool> seen(monitors.size(), false);
        for (const StandinView& view : settings.views)
            seen[static_cast<std::size_t>(view.monitor)] = true;
        for (std::size_t index = 0; index < monitors.size(); ++index)
            if (seen[index])
                copies_.push_back({static_cast<int32_t>(index), std::make_unique<MonitorCopy>(monitors[index].rect)});
        wakeIn(0);
    }
    StandinCamera(const StandinCamera&) = delete;
    StandinCamera& operator=(const StandinCamera&) = delete;
    ~StandinCamera() override
    {
        if (window_)
            KillTimer(window_, timerId());
    }

    // A due call reads the screen now and delivers the frame made from the read before: what a camera
    // shows always lags the screen by one frame.
    bool takeFrame(CameraFrame& frame) override
    {
        if (unplugged_)
            return false;
        const ULONGLONG now = GetTickCount64();
        if (now < due_) {
            wakeIn(due_ - now);
            return false;
        }
        // The file taken away is the test set-up's way of pulling the camera's cable.
        if (GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
            unplugged_ = true;
            return false;
        }
        due_ = now + kFrameInterval;
        wakeIn(kFrameInterval);
        const bool delivering = haveRead_;
        if (delivering) {
            model_.render(pictures_, delivered_ + 1, frame.pixels);
            frame.width = width_;
            frame.height = height_;
            frame.number = ++delivered_;
        }
        haveRead_ = readMonitors();
        return delivering;
    }

    CameraFailure failure() const override
    {
        // As a device's reader reports an unplugged camera.
        return unplugged_ ? cameraFailure("leitura", static_cast<uint32_t>(MF_E_VIDEO_RECORDING_DEVICE_INVALIDATED))
                          : CameraFailure{};
    }

private:
    struct Copy {
        int32_t monitor;
        std::unique_ptr<MonitorCopy> copy;
    };

    static std::vector<MonitorSize> sizesOf(const std::vector<MonitorInfo>& monitors)
    {
        std::vector<MonitorSize> sizes;
        for (const MonitorInfo& monitor : monitors)
            sizes.push_back({monitor.rect.width(), monitor.rect.height()});
        return sizes;
    }

    // The camera's own address names its timer on the window, so two cameras never share one.
    UINT_PTR timerId() const { return reinterpret_cast<UINT_PTR>(this); }

    void wakeIn(ULONGLONG milliseconds)
    {
        if (window_)
            SetTimer(window_, timerId(), static_cast<UINT>(milliseconds), postFrameDue);
    }

    bool readMonitors()
    {
        const HDC screen = GetDC(nullptr);
        if (!screen)
            return false;
        bool read = true;
        for (const Copy& copy : copies_)
            read = copy.copy->read(screen, pictures_[static_cast<std::size_t>(copy.monitor)]) && read;
        ReleaseDC(nullptr, screen);
        return read;
    }

    StandinModel model_;
    int32_t width_;
    int32_t height_;
    std::wstring path_;
    HWND window_;
    std::vector<Copy> copies_;
    std::vector<MonitorPicture> pictures_; // by monitor index: the last read, unused monitors empty
    bool haveRead_ = false;
    bool unplugged_ = false;
    ULONGLONG due_ = 0;
    uint64_t delivered_ = 0;
};

} // namespace

std::wstring standinFilePath()
{
    const std::optional<std::wstring> folder = folderOfPath(executablePath());
    if (!folder)
        return {};
    const bool separated = !folder->empty() && (folder->back() == L'\\' || folder->back() == L'/');
    return *folder + (separated ? L"" : L"\\") + kStandinFile;
}

std::unique_ptr<Camera> openStandinCamera(const std::wstring& path, HWND notifyWindow)
{
    const std::optional<std::string> text = readSharedFile(path);
    if (!text) {
        logRefused("o arquivo nao pode ser lido");
        return nullptr;
    }
    const StandinReading reading = readStandinSettings(*text);
    if (!reading.settings) {
        logRefused(reading.problem.c_str());
        return nullptr;
    }
    const std::vector<MonitorInfo> monitors = enumerateMonitors();
    for (std::size_t place = 0; place < reading.settings->views.size(); ++place) {
        const int32_t monitor = reading.settings->views[place].monitor;
        if (static_cast<std::size_t>(monitor) >= monitors.size()) {
            char problem[128];
            std::snprintf(problem, sizeof problem, "vista %u: o monitor %d nao existe (ha %u)",
                          static_cast<unsigned>(place), static_cast<int>(monitor), static_cast<unsigned>(monitors.size()));
            logRefused(problem);
            return nullptr;
        }
    }
    return std::make_unique<StandinCamera>(*reading.settings, monitors, path, notifyWindow);
}

// Capture devices through Media Foundation, loaded at first use: the device list, and a source reader in
// asynchronous mode whose callback keeps the newest sample for the program's thread to convert.
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <cstdio>
#include <mutex>

#include "camera/camera_pixels.h"
#include "camera/camera_sources.h"
#include "platform/debug_log.h"
#include "platform/wide_text.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kVideoStream = static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM);

// The entry points taken from the system's DLLs at first use, so that a program that never looks for a
// camera never loads Media Foundation. MFShutdown is left to the process's exit: a static destructor
// would run it after the work queues' threads may already be gone.
struct MediaFoundation {
    decltype(&MFCreateAttributes) createAttributes = nullptr;
    decltype(&MFEnumDeviceSources) enumDeviceSources = nullptr;
    decltype(&MFCreateSourceReaderFromMediaSource) createSourceReader = nullptr;
    bool ready = false;
};

template <typename Function>
bool loadEntry(HMODULE module, const char* name, Function& function)
{
    // Through void*: GetProcAddress's own type says nothing of the function's.
    function = module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    return function != nullptr;
}

const MediaFoundation& mediaFoundation()
{
    static const MediaFoundation loaded = [] {
        MediaFoundation entries;
        const HMODULE platform = LoadLibraryExW(L"mfplat.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        const HMODULE sources = LoadLibraryExW(L"mf.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        const HMODULE readers = LoadLibraryExW(L"mfreadwrite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        decltype(&MFStartup) startup = nullptr;
        entries.ready = loadEntry(platform, "MFStartup", startup) &&
                        loadEntry(platform, "MFCreateAttributes", entries.createAttributes) &&
                        loadEntry(sources, "MFEnumDeviceSources", entries.enumDeviceSources) &&
                        loadEntry(readers, "MFCreateSourceReaderFromMediaSource", entries.createSourceReader) &&
                        SUCCEEDED(startup(MF_VERSION, MFSTARTUP_LITE));
        if (!entries.ready)
            Log("WARN", "Media Foundation indisponivel: nenhuma camera sera listada");
        return entries;
    }();
    return loaded;
}

// The video capture devices present, each owned by its ComPtr; empty when none or on any failure.
std::vector<ComPtr<IMFActivate>> enumerateDevices()
{
    const MediaFoundation& mf = mediaFoundation();
    ComPtr<IMFAttributes> filter;
    if (!mf.ready || FAILED(mf.createAttributes(filter.GetAddressOf(), 1)) ||
        FAILED(filter->SetGUID(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE, MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_GUID)))
        return {};
    IMFActivate** devices = nullptr;
    UINT32 count = 0;
    if (FAILED(mf.enumDeviceSources(filter.Get(), &devices, &count)) || devices == nullptr)
        return {};
    std::vector<ComPtr<IMFActivate>> list(count);
    for (UINT32 i = 0; i < count; ++i)
        list[i].Attach(devices[i]); // the array's references pass to the list
    CoTaskMemFree(devices);
    return list;
}

std::wstring friendlyName(IMFActivate* device)
{
    WCHAR* text = nullptr;
    UINT32 length = 0;
    if (FAILED(device->GetAllocatedString(MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, &text, &length)) || text == nullptr)
        return {};
    std::wstring name(text, length);
    CoTaskMemFree(text);
    return name;
}

void logUnavailable(const std::wstring& name, const char* step, HRESULT hr)
{
    char line[512];
    std::snprintf(line, sizeof line, "Camera indisponivel: %s (%s, erro 0x%08lx)", utf8Text(name).c_str(), step,
                  static_cast<unsigned long>(hr));
    Log("WARN", line);
}

// Where a picture of the current type lies and how to read it.
struct PictureLayout {
    CameraPixelFormat format = CameraPixelFormat::Rgb32;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0; // for buffers without IMF2DBuffer
};

bool formatOfSubtype(const GUID& subtype, CameraPixelFormat& format)
{
    if (subtype == MFVideoFormat_RGB32)
        format = CameraPixelFormat::Rgb32;
    else if (subtype == MFVideoFormat_NV12)
        format = CameraPixelFormat::Nv12;
    else if (subtype == MFVideoFormat_YUY2)
        format = CameraPixelFormat::Yuy2;
    else
        return false;
    return true;
}

bool layoutOfType(IMFMediaType* type, PictureLayout& layout)
{
    GUID subtype{};
    UINT32 width = 0, height = 0;
    if (FAILED(type->GetGUID(MF_MT_SUBTYPE, &subtype)) || !formatOfSubtype(subtype, layout.format) ||
        FAILED(MFGetAttributeSize(type, MF_MT_FRAME_SIZE, &width, &height)) || width == 0 || height == 0 ||
        width > 16384 || height > 16384)
        return false;
    layout.width = static_cast<int32_t>(width);
    layout.height = static_cast<int32_t>(height);
    UINT32 stride = 0;
    // Stored as a UINT32, meant as a signed value: negative for bottom-up rows.
    layout.stride = SUCCEEDED(type->GetUINT32(MF_MT_DEFAULT_STRIDE, &stride))
                        ? static_cast<int32_t>(stride)
                        : defaultCameraStride(layout.format, layout.width);
    return true;
}

// The largest native type the program can convert, set as the reader's current type.
HRESULT chooseNativeType(IMFSourceReader* reader)
{
    std::vector<ComPtr<IMFMediaType>> types;
    std::vector<CameraMode> modes;
    for (DWORD i = 0;; ++i) {
        ComPtr<IMFMediaType> type;
        if (FAILED(reader->GetNativeMediaType(kVideoStream, i, type.GetAddressOf())))
            break; // MF_E_NO_MORE_TYPES ends the list; any other failure ends it too
        PictureLayout layout;
        if (!layoutOfType(type.Get(), layout))
            continue;
        types.push_back(type);
        modes.push_back({layout.format, layout.width, layout.height});
    }
    const int32_t chosen = chooseCameraMode(modes);
    if (chosen < 0)
        return MF_E_INVALIDMEDIATYPE;
    return reader->SetCurrentMediaType(kVideoStream, nullptr, types[static_cast<std::size_t>(chosen)].Get());
}

// The source reader's callback, on Media Foundation's threads: it keeps the newest sample and wakes the
// program's loop. Shared with that thread only through the lock.
class ReaderCallback final : public IMFSourceReaderCallback {
public:
    explicit ReaderCallback(HWND window) : window_(window) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IMFSourceReaderCallback)) {
            *object = static_cast<IMFSourceReaderCallback*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    STDMETHODIMP OnReadSample(HRESULT status, DWORD, DWORD flags, LONGLONG, IMFSample* sample) override
    {
        {
            std::lock_guard<std::mutex> guard(lock_);
            reading_ = false;
            if (FAILED(status) || (flags & (MF_SOURCE_READERF_ERROR | MF_SOURCE_READERF_ENDOFSTREAM)))
                failure_ = FAILED(status) ? status : MF_E_END_OF_STREAM;
            if (flags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED)
                typeChanged_ = true;
            if (sample) // null on a stream tick: a gap, nothing to show
                newest_ = sample;
        }
        // The loop takes the sample, or asks again after a gap or learns of the failure.
        PostMessageW(window_, WM_CAMERA_FRAME, 0, 0);
        return S_OK;
    }
    STDMETHODIMP OnFlush(DWORD) override { return S_OK; }
    STDMETHODIMP OnEvent(DWORD, IMFMediaEvent*) override { return S_OK; }

    // What came since the last call: the newest sample (or null), whether the type changed, a failure.
    void take(ComPtr<IMFSample>& sample, bool& typeChanged, HRESULT& failure, bool& reading)
    {
        std::lock_guard<std::mutex> guard(lock_);
        sample = std::move(newest_);
        typeChanged = typeChanged_;
        typeChanged_ = false;
        failure = failure_;
        reading = reading_;
    }
    // Marked before ReadSample is called: the answer may come on another thread before the call returns.
    void reading(bool waiting)
    {
        std::lock_guard<std::mutex> guard(lock_);
        reading_ = waiting;
    }

private:
    ~ReaderCallback() = default;

    LONG references_ = 1;
    HWND window_;
    std::mutex lock_;
    ComPtr<IMFSample> newest_;
    bool reading_ = false;
    bool typeChanged_ = false;
    HRESULT failure_ = S_OK;
};

// Locks a sample's pixels for reading, through IMF2DBuffer when the buffer has it (its pitch is the real
// one, padding included), else as plain bytes laid out as the media type says.
class LockedPicture {
public:
    LockedPicture(IMFMediaBuffer* buffer, const PictureLayout& layout) : buffer_(buffer)
    {
        if (SUCCEEDED(buffer->QueryInterface(IID_PPV_ARGS(surface_.GetAddressOf())))) {
            BYTE* scanline0 = nullptr;
            LONG pitch = 0;
            if (FAILED(surface_->Lock2D(&scanline0, &pitch))) {
                surface_.Reset();
                return;
            }
            locked_ = true;
            stride_ = static_cast<int32_t>(pitch);
            // The first row of the picture is scan line 0; bottom-up rows put the start of the memory below it.
            bytes_ = pitch < 0 ? scanline0 + static_cast<std::ptrdiff_t>(pitch) * (layout.height - 1) : scanline0;
            size_ = cameraPictureBytes(layout.format, layout.width, layout.height, stride_);
            return;
        }
        DWORD length = 0;
        if (SUCCEEDED(buffer->Lock(&bytes_, nullptr, &length))) {
            locked_ = true;
            stride_ = layout.stride;
            size_ = length;
        }
    }
    LockedPicture(const LockedPicture&) = delete;
    LockedPicture& operator=(const LockedPicture&) = delete;
    ~LockedPicture()
    {
        if (!locked_)
            return;
        if (surface_)
            surface_->Unlock2D();
        else
            buffer_->Unlock();
    }

    bool convert(const PictureLayout& layout, std::vector<uint32_t>& pixels) const
    {
        return locked_ && convertCameraPicture(layout.format, bytes_, size_, layout.width, layout.height, stride_, pixels);
    }

private:
    IMFMediaBuffer* buffer_; // borrowed from the caller, who holds it for the lock's life
    ComPtr<IMF2DBuffer> surface_;
    bool locked_ = false;
    BYTE* bytes_ = nullptr;
    std::size_t size_ = 0;
    int32_t stride_ = 0;
};

class MediaFoundationCamera final : public Camera {
public:
    MediaFoundationCamera(ComPtr<IMFSourceReader> reader, ComPtr<ReaderCallback> callback, PictureLayout layout)
        : reader_(std::move(reader)), callback_(std::move(callback)), layout_(layout)
    {
    }
    // Releasing the reader shuts the device down; a callback still under way only posts to the window.
    ~MediaFoundationCamera() override = default;

    // In asynchronous mode every out-argument is null; the sample comes to the callback.
    HRESULT askForNext()
    {
        callback_->reading(true);
        const HRESULT hr = reader_->ReadSample(kVideoStream, 0, nullptr, nullptr, nullptr, nullptr);
        if (FAILED(hr))
            callback_->reading(false);
        return hr;
    }

    bool takeFrame(CameraFrame& frame) override
    {
        if (stopped_)
            return false;
        ComPtr<IMFSample> sample;
        bool typeChanged = false, reading = false;
        HRESULT failure = S_OK;
        callback_->take(sample, typeChanged, failure, reading);
        if (FAILED(failure)) {
            stop(failure);
            return false;
        }
        if (typeChanged)
            readCurrentLayout();
        const bool delivered = sample && convert(sample.Get(), frame);
        if (!reading)
            if (const HRESULT hr = askForNext(); FAILED(hr))
                stop(hr);
        return delivered;
    }

private:
    void readCurrentLayout()
    {
        ComPtr<IMFMediaType> type;
        if (FAILED(reader_->GetCurrentMediaType(kVideoStream, type.GetAddressOf())) || !layoutOfType(type.Get(), layout_))
            stop(MF_E_INVALIDMEDIATYPE);
    }

    bool convert(IMFSample* sample, CameraFrame& frame)
    {
        ComPtr<IMFMediaBuffer> buffer;
        if (stopped_ || FAILED(sample->ConvertToContiguousBuffer(buffer.GetAddressOf())))
            return false;
        const LockedPicture picture(buffer.Get(), layout_);
        // A picture smaller than its type says is dropped rather than read past its end.
        if (!picture.convert(layout_, frame.pixels))
            return false;
        frame.width = layout_.width;
        frame.height = layout_.height;
        frame.number = ++delivered_;
        return true;
    }

    void stop(HRESULT hr)
    {
        char line[96];
        std::snprintf(line, sizeof line, "Camera parou: erro 0x%08lx", static_cast<unsigned long>(hr));
        Log("WARN", line);
        stopped_ = true;
    }

    ComPtr<IMFSourceReader> reader_;
    ComPtr<ReaderCallback> callback_;
    PictureLayout layout_;
    uint64_t delivered_ = 0;
    bool stopped_ = false;
};

} // namespace

std::vector<std::wstring> listMediaFoundationCameras()
{
    std::vector<std::wstring> names;
    for (const ComPtr<IMFActivate>& device : enumerateDevices())
        names.push_back(friendlyName(device.Get()));
    return names;
}

std::unique_ptr<Camera> openMediaFoundationCamera(const std::wstring& name, HWND notifyWindow)
{
    const std::vector<ComPtr<IMFActivate>> devices = enumerateDevices();
    if (devices.empty()) {
        Log("WARN", "Camera indisponivel: nenhum dispositivo de video");
        return nullptr;
    }
    IMFActivate* device = devices.front().Get();
    for (const ComPtr<IMFActivate>& candidate : devices)
        if (friendlyName(candidate.Get()) == name) {
            device = candidate.Get();
            break;
        }
    const std::wstring chosenName = friendlyName(device);

    const MediaFoundation& mf = mediaFoundation();
    ComPtr<IMFMediaSource> source;
    HRESULT hr = device->ActivateObject(IID_PPV_ARGS(source.GetAddressOf()));
    if (FAILED(hr)) {
        logUnavailable(chosenName, "ativacao", hr);
        return nullptr;
    }
    ComPtr<ReaderCallback> callback;
    callback.Attach(new ReaderCallback(notifyWindow));
    ComPtr<IMFAttributes> attributes;
    ComPtr<IMFSourceReader> reader;
    hr = mf.createAttributes(attributes.GetAddressOf(), 1);
    if (SUCCEEDED(hr))
        hr = attributes->SetUnknown(MF_SOURCE_READER_ASYNC_CALLBACK, callback.Get());
    if (SUCCEEDED(hr))
        hr = mf.createSourceReader(source.Get(), attributes.Get(), reader.GetAddressOf());
    if (FAILED(hr)) {
        source->Shutdown(); // no reader took the source over, so it would stay open
        logUnavailable(chosenName, "leitor", hr);
        return nullptr;
    }
    // Only the video: other streams (a microphone) would fill the reader's queues unread.
    reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
    hr = reader->SetStreamSelection(kVideoStream, TRUE);
    if (SUCCEEDED(hr))
        hr = chooseNativeType(reader.Get());
    ComPtr<IMFMediaType> current;
    PictureLayout layout;
    if (SUCCEEDED(hr))
        hr = reader->GetCurrentMediaType(kVideoStream, current.GetAddressOf());
    if (SUCCEEDED(hr) && !layoutOfType(current.Get(), layout))
        hr = MF_E_INVALIDMEDIATYPE;
    if (FAILED(hr)) {
        logUnavailable(chosenName, "formato", hr);
        return nullptr;
    }
    auto camera = std::make_unique<MediaFoundationCamera>(std::move(reader), std::move(callback), layout);
    if (hr = camera->askForNext(); FAILED(hr)) {
        logUnavailable(chosenName, "leitura", hr);
        return nullptr;
    }
    return camera;
}

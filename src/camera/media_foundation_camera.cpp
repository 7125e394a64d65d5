// Capture devices through Media Foundation: the device list, and a source reader in asynchronous mode whose
// callback keeps the newest sample, and learns of the device's loss, for the program's thread.
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <mutex>

#include "camera/camera_sources.h"
#include "camera/media_foundation_reader.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kVideoStream = static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM);

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

// The source reader's callback, on Media Foundation's threads: it keeps the newest sample and the first
// failure (a failed read, the reader's stream error, the device's removal or error event) and wakes the
// program's loop. Shared with that thread only through the lock.
class ReaderCallback final : public IMFSourceReaderCallback2 {
public:
    explicit ReaderCallback(HWND window) : window_(window) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IMFSourceReaderCallback) ||
            iid == __uuidof(IMFSourceReaderCallback2)) {
            *object = static_cast<IMFSourceReaderCallback2*>(this);
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
                noteFailure(FAILED(status) ? status : MF_E_END_OF_STREAM);
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
    // The device's own events: an unplugged camera says so here, sometimes before any read fails.
    STDMETHODIMP OnEvent(DWORD, IMFMediaEvent* event) override
    {
        MediaEventType type = MEUnknown;
        HRESULT status = S_OK;
        if (!event || FAILED(event->GetType(&type)) || FAILED(event->GetStatus(&status)))
            return S_OK;
        if (type == MEVideoCaptureDeviceRemoved)
            status = MF_E_VIDEO_RECORDING_DEVICE_INVALIDATED;
        else if (type != MEError || SUCCEEDED(status))
            return S_OK;
        lockedNoteFailure(status);
        return S_OK;
    }
    STDMETHODIMP OnTransformChange() override { return S_OK; }
    STDMETHODIMP OnStreamError(DWORD, HRESULT status) override
    {
        lockedNoteFailure(FAILED(status) ? status : E_FAIL);
        return S_OK;
    }

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

    // The first failure is the one that says why; what follows it is its consequence.
    void noteFailure(HRESULT status)
    {
        if (SUCCEEDED(failure_))
            failure_ = status;
    }
    void lockedNoteFailure(HRESULT status)
    {
        {
            std::lock_guard<std::mutex> guard(lock_);
            noteFailure(status);
        }
        PostMessageW(window_, WM_CAMERA_FRAME, 0, 0);
    }

    LONG references_ = 1;
    HWND window_;
    std::mutex lock_;
    ComPtr<IMFSample> newest_;
    bool reading_ = false;
    bool typeChanged_ = false;
    HRESULT failure_ = S_OK;
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
        if (FAILED(failure_.result))
            return false;
        ComPtr<IMFSample> sample;
        bool typeChanged = false, reading = false;
        HRESULT failure = S_OK;
        callback_->take(sample, typeChanged, failure, reading);
        if (FAILED(failure)) {
            stop("leitura", failure);
            return false;
        }
        if (typeChanged)
            readCurrentLayout();
        const bool delivered = sample && convert(sample.Get(), frame);
        if (!reading && SUCCEEDED(failure_.result))
            if (const HRESULT hr = askForNext(); FAILED(hr))
                stop("leitura", hr);
        return delivered;
    }

    CameraFailure failure() const override { return failure_; }

private:
    void readCurrentLayout()
    {
        ComPtr<IMFMediaType> type;
        if (FAILED(reader_->GetCurrentMediaType(kVideoStream, type.GetAddressOf())) || !layoutOfType(type.Get(), layout_))
            stop("formato", MF_E_INVALIDMEDIATYPE);
    }

    bool convert(IMFSample* sample, CameraFrame& frame)
    {
        // A picture smaller than its type says is dropped rather than read past its end.
        if (FAILED(failure_.result) || !readSamplePicture(sample, layout_, frame.pixels))
            return false;
        frame.width = layout_.width;
        frame.height = layout_.height;
        frame.number = ++delivered_;
        return true;
    }

    void stop(const char* step, HRESULT hr) { failure_ = cameraFailure(step, static_cast<uint32_t>(hr)); }

    ComPtr<IMFSourceReader> reader_;
    ComPtr<ReaderCallback> callback_;
    PictureLayout layout_;
    uint64_t delivered_ = 0;
    CameraFailure failure_;
};

} // namespace

std::vector<std::wstring> listMediaFoundationCameras()
{
    std::vector<std::wstring> names;
    for (const ComPtr<IMFActivate>& device : enumerateDevices())
        names.push_back(friendlyName(device.Get()));
    return names;
}

CameraOpening openMediaFoundationCamera(const std::wstring& name, HWND notifyWindow)
{
    const std::vector<ComPtr<IMFActivate>> devices = enumerateDevices();
    if (devices.empty())
        return {nullptr, {CameraProblem::NoDevice, "lista", 0}, name};
    IMFActivate* device = devices.front().Get();
    for (const ComPtr<IMFActivate>& candidate : devices)
        if (friendlyName(candidate.Get()) == name) {
            device = candidate.Get();
            break;
        }
    CameraOpening opening{nullptr, {}, friendlyName(device)};
    const auto failed = [&](const char* step, HRESULT hr) {
        opening.failure = cameraFailure(step, static_cast<uint32_t>(hr));
        return std::move(opening);
    };

    // E_ACCESSDENIED here is Windows' privacy settings refusing the program the camera.
    ComPtr<IMFMediaSource> source;
    HRESULT hr = device->ActivateObject(IID_PPV_ARGS(source.GetAddressOf()));
    if (FAILED(hr))
        return failed("ativacao", hr);
    ComPtr<ReaderCallback> callback;
    callback.Attach(new ReaderCallback(notifyWindow));
    ComPtr<IMFAttributes> attributes;
    ComPtr<IMFSourceReader> reader;
    hr = createReaderAttributes(callback.Get(), attributes.GetAddressOf());
    if (SUCCEEDED(hr))
        hr = mediaFoundation().createSourceReader(source.Get(), attributes.Get(), reader.GetAddressOf());
    if (FAILED(hr)) {
        source->Shutdown(); // no reader took the source over, so it would stay open
        return failed("leitor", hr);
    }
    PictureLayout layout;
    if (hr = setUpVideoReader(reader.Get(), layout); FAILED(hr))
        return failed("formato", hr);
    auto camera = std::make_unique<MediaFoundationCamera>(std::move(reader), std::move(callback), layout);
    if (hr = camera->askForNext(); FAILED(hr))
        return failed("leitura", hr);
    opening.camera = std::move(camera);
    return opening;
}

// The source reader's set-up (type choice, uncompressed output) and the reading of its samples' pixels.
#include "camera/media_foundation_reader.h"

#include <mferror.h>
#include <wrl/client.h>

#include "camera/media_type_choice.h"
#include "platform/debug_log.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kVideoStream = static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM);
constexpr int32_t kLargestSide = 16384;

// What the reader is asked to decode into, best first: NV12 is what decoders give without a converter,
// YUY2 what older MJPG decoders give, RGB32 what the video processor makes of anything.
const GUID* const kReadableOutputs[] = {&MFVideoFormat_NV12, &MFVideoFormat_YUY2, &MFVideoFormat_RGB32};

template <typename Function>
bool loadEntry(HMODULE module, const char* name, Function& function)
{
    // Through void*: GetProcAddress's own type says nothing of the function's.
    function = module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    return function != nullptr;
}

// The video subtypes are a FOURCC (or a D3DFORMAT) in the first field of one base GUID; any other GUID is
// a format of nobody's the program knows.
uint32_t fourccOfSubtype(const GUID& subtype)
{
    GUID base = MFVideoFormat_Base;
    base.Data1 = subtype.Data1;
    return subtype == base ? static_cast<uint32_t>(subtype.Data1) : 0;
}

CameraMediaType plainType(IMFMediaType* type)
{
    CameraMediaType plain;
    GUID subtype{};
    UINT32 width = 0, height = 0;
    if (SUCCEEDED(type->GetGUID(MF_MT_SUBTYPE, &subtype)))
        plain.subtype = fourccOfSubtype(subtype);
    if (SUCCEEDED(MFGetAttributeSize(type, MF_MT_FRAME_SIZE, &width, &height)) && width <= kLargestSide &&
        height <= kLargestSide) {
        plain.width = static_cast<int32_t>(width);
        plain.height = static_cast<int32_t>(height);
    }
    // Either may be missing: the values stay 0/0, which the choice reads as "not given".
    MFGetAttributeRatio(type, MF_MT_FRAME_RATE, &plain.rateNumerator, &plain.rateDenominator);
    MFGetAttributeRatio(type, MF_MT_FRAME_RATE_RANGE_MAX, &plain.rangeMaxNumerator, &plain.rangeMaxDenominator);
    return plain;
}

// The best native type set on the reader, asking for the top of its rate range when it has one (the
// device then runs at that rate, as "How to Set the Video Capture Frame Rate" says). `decoded` tells
// whether the reader must still be asked for an output the program reads.
HRESULT setBestNativeType(IMFSourceReader* reader, bool& decoded)
{
    std::vector<ComPtr<IMFMediaType>> types;
    std::vector<CameraMediaType> plain;
    for (DWORD i = 0;; ++i) {
        ComPtr<IMFMediaType> type;
        if (FAILED(reader->GetNativeMediaType(kVideoStream, i, type.GetAddressOf())))
            break; // MF_E_NO_MORE_TYPES ends the list; any other failure ends it too
        plain.push_back(plainType(type.Get()));
        types.push_back(std::move(type));
    }
    const CameraTypeChoice choice = chooseCameraMediaType(plain);
    if (choice.index < 0)
        return MF_E_INVALIDMEDIATYPE;
    const auto at = static_cast<std::size_t>(choice.index);
    const CameraMediaType& chosen = plain[at];
    const double ownRate = chosen.rateDenominator == 0 ? 0.0 : double(chosen.rateNumerator) / chosen.rateDenominator;
    if (choice.rate > ownRate)
        MFSetAttributeRatio(types[at].Get(), MF_MT_FRAME_RATE, chosen.rangeMaxNumerator, chosen.rangeMaxDenominator);
    decoded = choice.decoded;
    return reader->SetCurrentMediaType(kVideoStream, nullptr, types[at].Get());
}

// Locks a buffer's pixels for reading the way its interfaces allow, best first, and knows where the
// picture's rows lie: the real pitch (padding included, negative for bottom-up rows) from a 2D lock, the
// type's stride for plain bytes.
class LockedPicture {
public:
    LockedPicture(IMFMediaBuffer* buffer, const PictureLayout& layout) : buffer_(buffer)
    {
        ComPtr<IMF2DBuffer2> sized;
        if (SUCCEEDED(buffer->QueryInterface(IID_PPV_ARGS(sized.GetAddressOf())))) {
            BYTE *scanline0 = nullptr, *start = nullptr;
            LONG pitch = 0;
            DWORD length = 0;
            if (SUCCEEDED(sized->Lock2DSize(MF2DBuffer_LockFlags_Read, &scanline0, &pitch, &start, &length))) {
                surface_ = sized;
                placeRows(layout, scanline0, pitch, start, length);
                return;
            }
        }
        if (SUCCEEDED(buffer->QueryInterface(IID_PPV_ARGS(surface_.GetAddressOf())))) {
            BYTE* scanline0 = nullptr;
            LONG pitch = 0;
            if (SUCCEEDED(surface_->Lock2D(&scanline0, &pitch))) {
                placeRows(layout, scanline0, pitch, nullptr, 0);
                return;
            }
            surface_.Reset();
        }
        DWORD length = 0;
        if (SUCCEEDED(buffer->Lock(&bytes_, nullptr, &length))) {
            locked_ = true;
            // Contiguous rows at the type's stride; bottom-up ones start in memory with the picture's last row.
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
    // Scan line 0 is the picture's top row; with a negative pitch the memory starts at its bottom row.
    // Known bounds (from Lock2DSize) limit what may be read; without them the picture's own size is trusted.
    void placeRows(const PictureLayout& layout, BYTE* scanline0, LONG pitch, BYTE* start, DWORD length)
    {
        locked_ = true;
        stride_ = static_cast<int32_t>(pitch);
        bytes_ = pitch < 0 ? scanline0 + static_cast<std::ptrdiff_t>(pitch) * (layout.height - 1) : scanline0;
        if (start == nullptr) {
            size_ = cameraPictureBytes(layout.format, layout.width, layout.height, stride_);
            return;
        }
        const bool inside = bytes_ >= start && bytes_ <= start + length;
        size_ = inside ? static_cast<std::size_t>(start + length - bytes_) : 0;
    }

    IMFMediaBuffer* buffer_; // borrowed from the caller, who holds it for the lock's life
    ComPtr<IMF2DBuffer> surface_;
    bool locked_ = false;
    BYTE* bytes_ = nullptr;
    std::size_t size_ = 0;
    int32_t stride_ = 0;
};

} // namespace

const MediaFoundation& mediaFoundation()
{
    static const MediaFoundation loaded = [] {
        MediaFoundation entries;
        const HMODULE platform = LoadLibraryExW(L"mfplat.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        const HMODULE sources = LoadLibraryExW(L"mf.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        const HMODULE readers = LoadLibraryExW(L"mfreadwrite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        decltype(&MFStartup) startup = nullptr;
        // MFShutdown is left to the process's exit: a static destructor would run it after the work
        // queues' threads may already be gone.
        entries.ready = loadEntry(platform, "MFStartup", startup) &&
                        loadEntry(platform, "MFCreateAttributes", entries.createAttributes) &&
                        loadEntry(platform, "MFCreateMediaType", entries.createMediaType) &&
                        loadEntry(sources, "MFEnumDeviceSources", entries.enumDeviceSources) &&
                        loadEntry(readers, "MFCreateSourceReaderFromMediaSource", entries.createSourceReader) &&
                        SUCCEEDED(startup(MF_VERSION, MFSTARTUP_LITE));
        if (!entries.ready)
            Log("WARN", "Media Foundation indisponivel: nenhuma camera sera listada");
        return entries;
    }();
    return loaded;
}

bool layoutOfType(IMFMediaType* type, PictureLayout& layout)
{
    const CameraMediaType plain = plainType(type);
    const std::optional<CameraPixelFormat> format = pixelFormatOfSubtype(plain.subtype);
    if (!format || plain.width <= 0 || plain.height <= 0)
        return false;
    layout.format = *format;
    layout.width = plain.width;
    layout.height = plain.height;
    UINT32 stride = 0;
    // Stored as a UINT32, meant as a signed value: negative for bottom-up rows.
    layout.stride = SUCCEEDED(type->GetUINT32(MF_MT_DEFAULT_STRIDE, &stride)) ? static_cast<int32_t>(stride)
                                                                              : defaultCameraStride(layout.format, layout.width);
    return true;
}

HRESULT createReaderAttributes(IUnknown* callback, IMFAttributes** attributes)
{
    const MediaFoundation& mf = mediaFoundation();
    if (!mf.ready)
        return E_NOTIMPL;
    ComPtr<IMFAttributes> made;
    HRESULT hr = mf.createAttributes(made.GetAddressOf(), 2);
    if (SUCCEEDED(hr))
        hr = made->SetUINT32(MF_SOURCE_READER_ENABLE_ADVANCED_VIDEO_PROCESSING, TRUE);
    if (SUCCEEDED(hr) && callback)
        hr = made->SetUnknown(MF_SOURCE_READER_ASYNC_CALLBACK, callback);
    if (SUCCEEDED(hr))
        *attributes = made.Detach();
    return hr;
}

HRESULT setReadableOutput(IMFSourceReader* reader)
{
    const MediaFoundation& mf = mediaFoundation();
    if (!mf.ready)
        return E_NOTIMPL;
    HRESULT hr = MF_E_TOPO_CODEC_NOT_FOUND;
    for (const GUID* subtype : kReadableOutputs) {
        // A partial type: the reader fills in the size and rate from the native type.
        ComPtr<IMFMediaType> output;
        hr = mf.createMediaType(output.GetAddressOf());
        if (SUCCEEDED(hr))
            hr = output->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
        if (SUCCEEDED(hr))
            hr = output->SetGUID(MF_MT_SUBTYPE, *subtype);
        if (SUCCEEDED(hr))
            hr = reader->SetCurrentMediaType(kVideoStream, nullptr, output.Get());
        if (SUCCEEDED(hr))
            return hr;
    }
    return hr;
}

HRESULT setUpVideoReader(IMFSourceReader* reader, PictureLayout& layout)
{
    // Only the video: other streams (a microphone) would fill the reader's queues unread.
    reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
    HRESULT hr = reader->SetStreamSelection(kVideoStream, TRUE);
    bool decoded = false;
    if (SUCCEEDED(hr))
        hr = setBestNativeType(reader, decoded);
    if (SUCCEEDED(hr) && decoded)
        hr = setReadableOutput(reader);
    ComPtr<IMFMediaType> current;
    if (SUCCEEDED(hr))
        hr = reader->GetCurrentMediaType(kVideoStream, current.GetAddressOf());
    if (SUCCEEDED(hr) && !layoutOfType(current.Get(), layout))
        hr = MF_E_INVALIDMEDIATYPE;
    return hr;
}

bool readSamplePicture(IMFSample* sample, const PictureLayout& layout, std::vector<uint32_t>& pixels)
{
    // A sample of one buffer gives that very buffer, with its 2D interface; only several are copied.
    ComPtr<IMFMediaBuffer> buffer;
    if (FAILED(sample->ConvertToContiguousBuffer(buffer.GetAddressOf())))
        return false;
    const LockedPicture picture(buffer.Get(), layout);
    return picture.convert(layout, pixels);
}

// The camera's source-reader code on real Media Foundation objects: pictures read at their buffers' real
// pitch, and an MJPG video (made at build time, four coloured quadrants) opened through the same set-up a
// capture device gets, its decoded pixels checked against the known frame.
#include <gtest/gtest.h>

#include <mfapi.h>
#include <wrl/client.h>

#include <cstring>

#include "camera/media_foundation_reader.h"
#include "platform/executable_path.h"
#include "platform/module_path.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kVideoStream = static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM);
constexpr DWORD kRgb32 = 22; // D3DFMT_X8R8G8B8

class MediaReader : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(mediaFoundation().ready); }

    static ComPtr<IMFSample> sampleOf(IMFMediaBuffer* buffer)
    {
        ComPtr<IMFSample> sample;
        EXPECT_TRUE(SUCCEEDED(MFCreateSample(sample.GetAddressOf())) && SUCCEEDED(sample->AddBuffer(buffer)));
        return sample;
    }
};

uint32_t pixelAt(int x, int y)
{
    return 0xFF000000u | uint32_t(40 * x + 7) << 16 | uint32_t(50 * y + 3) << 8 | uint32_t(x * y);
}

} // namespace

// A bottom-up RGB32 surface whose rows carry padding: only its own pitch finds the rows.
TEST_F(MediaReader, A2DBufferIsReadAtItsOwnPitchTopRowFirst)
{
    const int width = 5, height = 3;
    ComPtr<IMFMediaBuffer> buffer;
    ASSERT_HRESULT_SUCCEEDED(MFCreate2DMediaBuffer(width, height, kRgb32, TRUE, buffer.GetAddressOf()));
    ComPtr<IMF2DBuffer> surface;
    ASSERT_HRESULT_SUCCEEDED(buffer.As(&surface));
    BYTE* scanline0 = nullptr;
    LONG pitch = 0;
    ASSERT_HRESULT_SUCCEEDED(surface->Lock2D(&scanline0, &pitch));
    EXPECT_LT(pitch, 0) << "bottom-up";
    EXPECT_GT(-pitch, 4 * width) << "padded rows";
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t pixel = pixelAt(x, y) & 0x00FFFFFFu; // the fourth byte is left 0, as devices may
            std::memcpy(scanline0 + static_cast<std::ptrdiff_t>(pitch) * y + 4 * x, &pixel, 4);
        }
    surface->Unlock2D();

    std::vector<uint32_t> pixels;
    const PictureLayout layout{CameraPixelFormat::Rgb32, width, height, 4 * width};
    ASSERT_TRUE(readSamplePicture(sampleOf(buffer.Get()).Get(), layout, pixels));
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(width * height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            EXPECT_EQ(pixels[y * width + x], pixelAt(x, y)) << x << ", " << y;
}

// Plain bytes follow the type's default stride: negative, so the memory starts with the picture's last row.
TEST_F(MediaReader, APlainBufferFollowsTheTypesDefaultStride)
{
    const int width = 4, height = 2;
    ComPtr<IMFMediaType> type;
    ASSERT_HRESULT_SUCCEEDED(MFCreateMediaType(type.GetAddressOf()));
    type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
    type->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_RGB32);
    MFSetAttributeSize(type.Get(), MF_MT_FRAME_SIZE, width, height);
    type->SetUINT32(MF_MT_DEFAULT_STRIDE, static_cast<UINT32>(-4 * width));
    PictureLayout layout;
    ASSERT_TRUE(layoutOfType(type.Get(), layout));
    EXPECT_EQ(layout.stride, -4 * width);

    ComPtr<IMFMediaBuffer> buffer;
    ASSERT_HRESULT_SUCCEEDED(MFCreateMemoryBuffer(4 * width * height, buffer.GetAddressOf()));
    BYTE* bytes = nullptr;
    ASSERT_HRESULT_SUCCEEDED(buffer->Lock(&bytes, nullptr, nullptr));
    for (int memoryRow = 0; memoryRow < height; ++memoryRow)
        for (int x = 0; x < width; ++x) {
            const uint32_t pixel = pixelAt(x, height - 1 - memoryRow);
            std::memcpy(bytes + 4 * (memoryRow * width + x), &pixel, 4);
        }
    buffer->Unlock();
    buffer->SetCurrentLength(4 * width * height);

    std::vector<uint32_t> pixels;
    ASSERT_TRUE(readSamplePicture(sampleOf(buffer.Get()).Get(), layout, pixels));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            EXPECT_EQ(pixels[y * width + x], pixelAt(x, y)) << x << ", " << y;
    // One byte short of the picture: refused, not read past.
    buffer->SetCurrentLength(4 * width * height - 1);
    EXPECT_FALSE(readSamplePicture(sampleOf(buffer.Get()).Get(), layout, pixels));
}

namespace {

// The video the build made beside this program: 64 x 48, red, green / blue, white quadrants, MJPG.
std::wstring quadrantsVideo()
{
    return folderOfPath(executablePath()).value_or(L".") + L"\\mjpg-quadrants.avi";
}

// Each pixel 3 or more away from the quadrants' borders has its quadrant's colour: a full channel above
// 200, an empty one below 60 (JPEG and BT.601 moves them a little).
void expectQuadrants(const std::vector<uint32_t>& pixels, int width, int height)
{
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(width * height));
    const uint32_t colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    int checked = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (std::abs(2 * x + 1 - width) < 6 || std::abs(2 * y + 1 - height) < 6)
                continue;
            const uint32_t want = colours[(y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0)];
            const uint32_t got = pixels[static_cast<std::size_t>(y * width + x)];
            for (int shift : {16, 8, 0}) {
                const int value = static_cast<int>(got >> shift & 255);
                if (want >> shift & 255)
                    ASSERT_GT(value, 200) << x << ", " << y << " shift " << shift;
                else
                    ASSERT_LT(value, 60) << x << ", " << y << " shift " << shift;
            }
            ++checked;
        }
    EXPECT_GT(checked, width * height / 2);
}

ComPtr<IMFSourceReader> readerOfQuadrants()
{
    ComPtr<IMFAttributes> attributes;
    ComPtr<IMFSourceReader> reader;
    EXPECT_HRESULT_SUCCEEDED(createReaderAttributes(nullptr, attributes.GetAddressOf()));
    EXPECT_HRESULT_SUCCEEDED(MFCreateSourceReaderFromURL(quadrantsVideo().c_str(), attributes.Get(), reader.GetAddressOf()))
        << "the video is made by the build with ffmpeg; Wine reads it through GStreamer";
    return reader;
}

std::vector<uint32_t> firstPicture(IMFSourceReader* reader, const PictureLayout& layout)
{
    DWORD stream = 0, flags = 0;
    LONGLONG time = 0;
    ComPtr<IMFSample> sample;
    std::vector<uint32_t> pixels;
    // Synchronous here; a capture device's reader delivers the same samples to its callback.
    for (int tries = 0; tries < 3 && !sample; ++tries)
        if (FAILED(reader->ReadSample(kVideoStream, 0, &stream, &flags, &time, sample.ReleaseAndGetAddressOf())) ||
            (flags & MF_SOURCE_READERF_ERROR))
            break;
    EXPECT_TRUE(sample && readSamplePicture(sample.Get(), layout, pixels));
    return pixels;
}

} // namespace

TEST_F(MediaReader, AnMjpgVideoIsDecodedThroughTheCamerasReaderSetUp)
{
    ComPtr<IMFSourceReader> reader = readerOfQuadrants();
    ASSERT_TRUE(reader);
    PictureLayout layout;
    ASSERT_HRESULT_SUCCEEDED(setUpVideoReader(reader.Get(), layout));
    EXPECT_EQ(layout.width, 64);
    EXPECT_EQ(layout.height, 48);
    expectQuadrants(firstPicture(reader.Get(), layout), layout.width, layout.height);
}

// A native type the program does not read (the first one the reader offers that is neither NV12, YUY2
// nor RGB32) set, then an output it reads asked for: the reader converts.
TEST_F(MediaReader, AnOutputThePixelsAreReadInIsAskedForAnyOtherNativeType)
{
    ComPtr<IMFSourceReader> reader = readerOfQuadrants();
    ASSERT_TRUE(reader);
    ComPtr<IMFMediaType> native;
    PictureLayout layout;
    for (DWORD i = 0; SUCCEEDED(reader->GetNativeMediaType(kVideoStream, i, native.ReleaseAndGetAddressOf())); ++i)
        if (!layoutOfType(native.Get(), layout))
            break;
    ASSERT_TRUE(native && !layoutOfType(native.Get(), layout)) << "every native type is one the program reads";
    ASSERT_HRESULT_SUCCEEDED(reader->SetCurrentMediaType(kVideoStream, nullptr, native.Get()));
    ASSERT_HRESULT_SUCCEEDED(setReadableOutput(reader.Get()));
    ComPtr<IMFMediaType> current;
    ASSERT_HRESULT_SUCCEEDED(reader->GetCurrentMediaType(kVideoStream, current.GetAddressOf()));
    ASSERT_TRUE(layoutOfType(current.Get(), layout));
    expectQuadrants(firstPicture(reader.Get(), layout), layout.width, layout.height);
}

// Image files made here with WIC's encoders, loaded through the Renderer and read back from the device.
#include <gtest/gtest.h>

#include <vector>

#include "render/renderer.h"
#include "temp_folder.h"
#include "texture_readback.h"

using Microsoft::WRL::ComPtr;

namespace {

struct Frame {
    UINT width;
    UINT height;
    std::vector<uint8_t> rgba; // straight RGBA, rows top to bottom
};

Frame solidFrame(UINT width, UINT height, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    Frame frame{width, height, std::vector<uint8_t>(static_cast<std::size_t>(width) * height * 4)};
    for (std::size_t i = 0; i < frame.rgba.size(); i += 4) {
        frame.rgba[i] = r;
        frame.rgba[i + 1] = g;
        frame.rgba[i + 2] = b;
        frame.rgba[i + 3] = a;
    }
    return frame;
}

// Writes the frames with the encoder of `container` (PNG, JPEG, TIFF...).
bool writeImage(IWICImagingFactory* factory, const std::wstring& path, REFGUID container,
                const std::vector<Frame>& frames)
{
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    if (FAILED(factory->CreateStream(stream.GetAddressOf())) ||
        FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) ||
        FAILED(factory->CreateEncoder(container, nullptr, encoder.GetAddressOf())) ||
        FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)))
        return false;
    for (const Frame& frame : frames) {
        ComPtr<IWICBitmapFrameEncode> out;
        ComPtr<IPropertyBag2> options;
        if (FAILED(encoder->CreateNewFrame(out.GetAddressOf(), options.GetAddressOf())) ||
            FAILED(out->Initialize(options.Get())) || FAILED(out->SetSize(frame.width, frame.height)))
            return false;
        ComPtr<IWICBitmap> bitmap;
        factory->CreateBitmapFromMemory(frame.width, frame.height, GUID_WICPixelFormat32bppRGBA, frame.width * 4,
                                        static_cast<UINT>(frame.rgba.size()), const_cast<BYTE*>(frame.rgba.data()),
                                        bitmap.GetAddressOf());
        if (!bitmap || FAILED(out->WriteSource(bitmap.Get(), nullptr)) || FAILED(out->Commit()))
            return false;
    }
    return SUCCEEDED(encoder->Commit());
}

void writeBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

HWND createHiddenWindow()
{
    return CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

class ImageTextures : public testing::Test {
protected:
    void SetUp() override
    {
        control_ = createHiddenWindow();
        projection_ = createHiddenWindow();
        ASSERT_EQ(renderer_.initialize(control_, 0), S_OK);
        ASSERT_TRUE(renderer_.imagingFactory());
    }
    void TearDown() override
    {
        DestroyWindow(projection_);
        DestroyWindow(control_);
    }

    // The texture behind a view, read back.
    TexturePixels readView(ID3D11ShaderResourceView* view)
    {
        ComPtr<ID3D11Resource> resource;
        view->GetResource(resource.GetAddressOf());
        ComPtr<ID3D11Texture2D> texture;
        resource.As(&texture);
        return readTexture(renderer_.device(), texture.Get());
    }

    static D3D11_TEXTURE2D_DESC describe(ID3D11ShaderResourceView* view)
    {
        ComPtr<ID3D11Resource> resource;
        view->GetResource(resource.GetAddressOf());
        ComPtr<ID3D11Texture2D> texture;
        resource.As(&texture);
        D3D11_TEXTURE2D_DESC description{};
        texture->GetDesc(&description);
        return description;
    }

    TempWorkingFolder folder_;
    HWND control_ = nullptr;
    HWND projection_ = nullptr;
    Renderer renderer_;
    ComPtr<ID3D11ShaderResourceView> slot_;
};

} // namespace

TEST_F(ImageTextures, PngKeepsItsStraightAlphaAndGetsAFullMipChain)
{
    Frame frame = solidFrame(64, 32, 200, 100, 50, 255);
    for (UINT y = 0; y < 32; ++y)
        for (UINT x = 32; x < 64; ++x) {
            uint8_t* p = &frame.rgba[(y * 64 + x) * 4];
            p[0] = 10, p[1] = 220, p[2] = 30, p[3] = 0; // transparent half, colour kept (not premultiplied)
        }
    ASSERT_TRUE(writeImage(renderer_.imagingFactory(), L"alpha.png", GUID_ContainerFormatPng, {frame}));
    ASSERT_EQ(renderer_.loadImageTexture(L"alpha.png", slot_), S_OK);
    ASSERT_TRUE(slot_);
    const D3D11_TEXTURE2D_DESC description = describe(slot_.Get());
    EXPECT_EQ(description.Format, DXGI_FORMAT_R8G8B8A8_UNORM);
    EXPECT_EQ(description.MipLevels, 7u); // 64 x 32 down to 1 x 1
    const TexturePixels pixels = readView(slot_.Get());
    const uint8_t* opaque = pixels.at(5, 5);
    EXPECT_EQ(opaque[0], 200);
    EXPECT_EQ(opaque[1], 100);
    EXPECT_EQ(opaque[2], 50);
    EXPECT_EQ(opaque[3], 255);
    const uint8_t* clear = pixels.at(50, 20);
    EXPECT_EQ(clear[3], 0);
    EXPECT_EQ(clear[1], 220);
}

TEST_F(ImageTextures, JpegDecodesToItsColours)
{
    ASSERT_TRUE(writeImage(renderer_.imagingFactory(), L"photo.jpg", GUID_ContainerFormatJpeg,
                           {solidFrame(40, 30, 30, 90, 200, 255)}));
    ASSERT_EQ(renderer_.loadImageTexture(L"photo.jpg", slot_), S_OK);
    const TexturePixels pixels = readView(slot_.Get());
    ASSERT_EQ(pixels.width, 40u);
    const uint8_t* p = pixels.at(20, 15);
    EXPECT_NEAR(p[0], 30, 6);
    EXPECT_NEAR(p[1], 90, 6);
    EXPECT_NEAR(p[2], 200, 6);
    EXPECT_EQ(p[3], 255);
}

TEST_F(ImageTextures, MultiFrameFileShowsItsFirstFrame)
{
    ASSERT_TRUE(writeImage(renderer_.imagingFactory(), L"frames.tif", GUID_ContainerFormatTiff,
                           {solidFrame(16, 16, 255, 0, 0, 255), solidFrame(16, 16, 0, 0, 255, 255)}));
    ASSERT_EQ(renderer_.loadImageTexture(L"frames.tif", slot_), S_OK);
    const TexturePixels pixels = readView(slot_.Get());
    const uint8_t* p = pixels.at(8, 8);
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[2], 0);
}

TEST_F(ImageTextures, LargeImageIsScaledToTheLimit)
{
    ASSERT_TRUE(writeImage(renderer_.imagingFactory(), L"large.png", GUID_ContainerFormatPng,
                           {solidFrame(5000, 3000, 0, 128, 255, 255)}));
    ASSERT_EQ(renderer_.loadImageTexture(L"large.png", slot_), S_OK);
    const D3D11_TEXTURE2D_DESC description = describe(slot_.Get());
    EXPECT_EQ(description.Width, 4096u);
    EXPECT_EQ(description.Height, 2457u);
    const TexturePixels pixels = readView(slot_.Get());
    const uint8_t* p = pixels.at(2000, 1200);
    EXPECT_NEAR(p[1], 128, 2);
}

TEST_F(ImageTextures, BrokenFilesFailWithAnEmptySlot)
{
    ASSERT_TRUE(writeImage(renderer_.imagingFactory(), L"whole.png", GUID_ContainerFormatPng,
                           {solidFrame(256, 256, 1, 2, 3, 255)}));
    const std::string whole = fileBytes(L"whole.png");
    writeBytes(L"truncated.png", whole.substr(0, whole.size() / 3));
    writeBytes(L"garbage.png", std::string(4000, '\x5a'));
    writeBytes(L"empty.png", "");
    ASSERT_TRUE(writeImage(renderer_.imagingFactory(), L"thin.png", GUID_ContainerFormatPng,
                           {solidFrame(4097, 1, 9, 9, 9, 255)}));
    for (const wchar_t* name : {L"truncated.png", L"garbage.png", L"empty.png", L"thin.png", L"missing.png"}) {
        slot_.Reset();
        EXPECT_TRUE(FAILED(renderer_.loadImageTexture(name, slot_))) << "file " << name;
        EXPECT_FALSE(slot_) << "file " << name;
    }
}

TEST_F(ImageTextures, ProceduralGridHasItsLinesOnTheDevice)
{
    ASSERT_EQ(renderer_.createGridTexture(slot_), S_OK);
    const TexturePixels pixels = readView(slot_.Get());
    ASSERT_EQ(pixels.width, 1920u);
    ASSERT_EQ(pixels.height, 1080u);
    for (auto [x, y] : {std::pair{0u, 0u}, {159u, 500u}, {500u, 134u}, {1919u, 1079u}})
        EXPECT_EQ(pixels.at(x, y)[0], 136) << x << ", " << y;
    for (auto [x, y] : {std::pair{1u, 1u}, {160u, 500u}, {500u, 135u}})
        EXPECT_EQ(pixels.at(x, y)[0], 0) << x << ", " << y;
    EXPECT_EQ(pixels.at(1, 1)[3], 255);
}

TEST_F(ImageTextures, TrayIconTakesTheAskedOrTheSmallIconSize)
{
    ASSERT_TRUE(writeImage(renderer_.imagingFactory(), L"wide.png", GUID_ContainerFormatPng,
                           {solidFrame(64, 24, 0, 0, 0, 255)}));
    const auto iconSize = [](HICON icon) {
        ICONINFO info{};
        GetIconInfo(icon, &info);
        BITMAP colour{};
        GetObjectW(info.hbmColor, sizeof colour, &colour);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        return std::pair{colour.bmWidth, colour.bmHeight};
    };
    HICON small = renderer_.loadTrayIcon(L"wide.png", 0);
    ASSERT_TRUE(small);
    EXPECT_EQ(iconSize(small), (std::pair<LONG, LONG>{GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)}));
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), 16) << "100 % scaling";
    HICON large = renderer_.loadTrayIcon(L"wide.png", 32);
    ASSERT_TRUE(large);
    EXPECT_EQ(iconSize(large), (std::pair<LONG, LONG>{32, 32}));
    DestroyIcon(small);
    DestroyIcon(large);
    EXPECT_EQ(renderer_.loadTrayIcon(L"missing.png", 0), nullptr);
}

// Pictures into things the program shows: image files into mip-mapped textures (WIC), the procedural
// grid, and an image file into the tray icon.
#include <vector>

#include "platform/debug_log.h"
#include "render/image_rules.h"
#include "render/renderer.h"

using Microsoft::WRL::ComPtr;

namespace {

// The older SDK headers lack this interpolation mode; its value is fixed by the platform.
constexpr WICBitmapInterpolationMode kHighQualityCubic = static_cast<WICBitmapInterpolationMode>(4);

// Frame 0 of a decodable file; later frames of animated files are not used.
ComPtr<IWICBitmapFrameDecode> firstFrame(IWICImagingFactory* factory, const std::wstring& path)
{
    ComPtr<IWICBitmapDecoder> decoder;
    if (!factory || FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                              WICDecodeMetadataCacheOnDemand,
                                                              decoder.GetAddressOf())))
        return nullptr;
    ComPtr<IWICBitmapFrameDecode> frame;
    decoder->GetFrame(0, frame.GetAddressOf());
    return frame;
}

// The source converted to straight 32-bit pixels of `format`, copied whole; empty on any failure.
std::vector<uint8_t> copyPixels(IWICImagingFactory* factory, IWICBitmapSource* source, REFWICPixelFormatGUID format,
                                UINT width, UINT height)
{
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.GetAddressOf())) ||
        FAILED(converter->Initialize(source, format, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return {};
    const UINT stride = width * 4;
    std::vector<uint8_t> pixels(static_cast<std::size_t>(stride) * height);
    if (FAILED(converter->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size()), pixels.data())))
        return {};
    return pixels;
}

// The source fitted to exactly this size.
ComPtr<IWICBitmapSource> scaled(IWICImagingFactory* factory, IWICBitmapSource* source, UINT width, UINT height,
                                WICBitmapInterpolationMode mode)
{
    ComPtr<IWICBitmapScaler> scaler;
    if (FAILED(factory->CreateBitmapScaler(scaler.GetAddressOf())) ||
        FAILED(scaler->Initialize(source, width, height, mode)))
        return nullptr;
    return scaler;
}

} // namespace

HRESULT Renderer::loadImageTexture(const std::wstring& path, ComPtr<ID3D11ShaderResourceView>& slot)
{
    slot.Reset();
    const ComPtr<IWICBitmapFrameDecode> frame = firstFrame(imagingFactory_.Get(), path);
    if (!frame)
        return E_FAIL;
    UINT width = 0, height = 0;
    if (FAILED(frame->GetSize(&width, &height)))
        return E_FAIL;
    // A side that the 4096 limit would cut to nothing (4097 x 1) is refused, never uploaded.
    const auto size = textureSizeFor(width, height);
    if (!size)
        return E_FAIL;
    ComPtr<IWICBitmapSource> source = frame;
    if (size->width != width || size->height != height)
        source = scaled(imagingFactory_.Get(), frame.Get(), size->width, size->height, kHighQualityCubic);
    if (!source)
        return E_FAIL;
    // A truncated or corrupt file fails here, before any texture exists.
    const std::vector<uint8_t> pixels =
        copyPixels(imagingFactory_.Get(), source.Get(), GUID_WICPixelFormat32bppRGBA, size->width, size->height);
    if (pixels.empty())
        return E_FAIL;

    D3D11_TEXTURE2D_DESC description{};
    description.Width = size->width;
    description.Height = size->height;
    description.MipLevels = 0;
    description.ArraySize = 1;
    description.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    description.SampleDesc.Count = 1;
    description.Usage = D3D11_USAGE_DEFAULT;
    description.BindFlags = D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET;
    description.MiscFlags = D3D11_RESOURCE_MISC_GENERATE_MIPS;
    ComPtr<ID3D11Texture2D> texture;
    HRESULT hr = device_->CreateTexture2D(&description, nullptr, texture.GetAddressOf());
    if (FAILED(hr))
        return hr;
    context_->UpdateSubresource(texture.Get(), 0, nullptr, pixels.data(), size->width * 4, 0);
    hr = device_->CreateShaderResourceView(texture.Get(), nullptr, slot.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr))
        context_->GenerateMips(slot.Get());
    return hr;
}

HRESULT Renderer::createGridTexture(ComPtr<ID3D11ShaderResourceView>& slot)
{
    const std::vector<uint32_t> texels = gridTexels();
    D3D11_TEXTURE2D_DESC description{};
    description.Width = kGridWidth;
    description.Height = kGridHeight;
    description.MipLevels = 1;
    description.ArraySize = 1;
    description.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    description.SampleDesc.Count = 1;
    description.Usage = D3D11_USAGE_IMMUTABLE;
    description.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    const D3D11_SUBRESOURCE_DATA data{texels.data(), kGridWidth * 4, 0};
    ComPtr<ID3D11Texture2D> texture;
    HRESULT hr = device_->CreateTexture2D(&description, &data, texture.GetAddressOf());
    if (FAILED(hr)) {
        slot.Reset();
        return hr;
    }
    return device_->CreateShaderResourceView(texture.Get(), nullptr, slot.ReleaseAndGetAddressOf());
}

void Renderer::loadCalibrationGrid(ComPtr<ID3D11ShaderResourceView>& slot)
{
    Log("LOG", "Tentando carregar gradil: assets/gradil.png");
    if (SUCCEEDED(loadImageTexture(L"assets/gradil.png", slot)))
        return;
    Log("LOG", "Tentando fallback: assets/gradil.jpg");
    // A ".jpg" that fails at any step, decoding or upload, leads on to the procedural grid.
    if (SUCCEEDED(loadImageTexture(L"assets/gradil.jpg", slot)))
        return;
    Log("LOG", "Usando gradil procedural (fallback final)");
    createGridTexture(slot);
}

HICON Renderer::loadTrayIcon(const std::wstring& path, int size)
{
    const ComPtr<IWICBitmapFrameDecode> frame = firstFrame(imagingFactory_.Get(), path);
    if (!frame)
        return nullptr;
    const UINT width = static_cast<UINT>(size > 0 ? size : GetSystemMetrics(SM_CXSMICON));
    const UINT height = static_cast<UINT>(size > 0 ? size : GetSystemMetrics(SM_CYSMICON));
    const ComPtr<IWICBitmapSource> source =
        scaled(imagingFactory_.Get(), frame.Get(), width, height, WICBitmapInterpolationModeFant);
    if (!source)
        return nullptr;
    const std::vector<uint8_t> pixels =
        copyPixels(imagingFactory_.Get(), source.Get(), GUID_WICPixelFormat32bppBGRA, width, height);
    if (pixels.empty())
        return nullptr;

    // Transparency comes from the colour bitmap's alpha; the mask has no bits of its own.
    HBITMAP colour = CreateBitmap(static_cast<int>(width), static_cast<int>(height), 1, 32, pixels.data());
    HBITMAP mask = CreateBitmap(static_cast<int>(width), static_cast<int>(height), 1, 1, nullptr);
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = colour;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(colour);
    return icon;
}

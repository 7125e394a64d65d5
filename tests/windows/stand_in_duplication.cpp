// The stand-in duplication: COM reference counting and the frame protocol, strict where DXGI is.
#include "stand_in_duplication.h"

#include <cstring>

StandInDuplication::StandInDuplication(DXGI_MODE_ROTATION rotation, UINT width, UINT height, DXGI_FORMAT format)
    : rotation_(rotation), width_(width), height_(height), format_(format)
{
}

HRESULT STDMETHODCALLTYPE StandInDuplication::QueryInterface(REFIID id, void** object)
{
    if (!object)
        return E_POINTER;
    if (id == __uuidof(IUnknown) || id == __uuidof(IDXGIObject) || id == __uuidof(IDXGIOutputDuplication)) {
        *object = static_cast<IDXGIOutputDuplication*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE StandInDuplication::AddRef()
{
    return ++references_;
}

ULONG STDMETHODCALLTYPE StandInDuplication::Release()
{
    const ULONG left = --references_;
    if (left == 0)
        delete this;
    return left;
}

void STDMETHODCALLTYPE StandInDuplication::GetDesc(DXGI_OUTDUPL_DESC* description)
{
    *description = DXGI_OUTDUPL_DESC{};
    description->ModeDesc.Width = width_;
    description->ModeDesc.Height = height_;
    description->ModeDesc.Format = format_;
    description->Rotation = rotation_;
}

HRESULT STDMETHODCALLTYPE StandInDuplication::AcquireNextFrame(UINT, DXGI_OUTDUPL_FRAME_INFO* info,
                                                               IDXGIResource** resource)
{
    *resource = nullptr;
    *info = DXGI_OUTDUPL_FRAME_INFO{};
    // DXGI refuses a second frame before the first is given back.
    if (holding) {
        ++acquiresWhileHolding;
        return DXGI_ERROR_INVALID_CALL;
    }
    if (script.empty())
        return DXGI_ERROR_WAIT_TIMEOUT;
    Outcome outcome = std::move(script.front());
    script.pop_front();
    if (FAILED(outcome.result))
        return outcome.result;
    if (outcome.frame)
        outcome.frame->QueryInterface(IID_PPV_ARGS(resource));
    info->AccumulatedFrames = outcome.pointerOnly ? 0 : 1;
    info->LastPresentTime.QuadPart = outcome.pointerOnly ? 0 : acquired + 1;
    info->LastMouseUpdateTime.QuadPart = acquired + 1;
    info->PointerPosition.Visible = outcome.pointerVisible;
    info->PointerPosition.Position = outcome.pointerPosition;
    info->PointerShapeBufferSize = static_cast<UINT>(outcome.pointerShape.size());
    current_ = std::move(outcome);
    holding = true;
    ++acquired;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInDuplication::GetFramePointerShape(UINT size, void* buffer, UINT* required,
                                                                   DXGI_OUTDUPL_POINTER_SHAPE_INFO* info)
{
    if (!holding)
        return DXGI_ERROR_INVALID_CALL;
    *required = static_cast<UINT>(current_.pointerShape.size());
    if (size < current_.pointerShape.size())
        return DXGI_ERROR_MORE_DATA;
    std::memcpy(buffer, current_.pointerShape.data(), current_.pointerShape.size());
    *info = current_.pointerShapeInfo;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StandInDuplication::ReleaseFrame()
{
    if (!holding) {
        ++releasesWithoutAFrame;
        return DXGI_ERROR_INVALID_CALL;
    }
    holding = false;
    current_ = Outcome{};
    ++released;
    return S_OK;
}

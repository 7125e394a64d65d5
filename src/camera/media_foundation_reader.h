// A Media Foundation source reader set up to deliver pictures the program reads, and those pictures read
// from its samples: shared by the capture devices and the tests that feed the reader a file.
#pragma once

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <cstdint>
#include <vector>

#include "camera/camera_pixels.h"

// The entry points taken from the system's DLLs at first use, so that a program that never looks for a
// camera never loads Media Foundation. `ready` is false, with a line in the log, when any is missing or
// MFStartup failed.
struct MediaFoundation {
    decltype(&MFCreateAttributes) createAttributes = nullptr;
    decltype(&MFCreateMediaType) createMediaType = nullptr;
    decltype(&MFEnumDeviceSources) enumDeviceSources = nullptr;
    decltype(&MFCreateSourceReaderFromMediaSource) createSourceReader = nullptr;
    bool ready = false;
};
const MediaFoundation& mediaFoundation();

// Where a picture of the current type lies and how to read it.
struct PictureLayout {
    CameraPixelFormat format = CameraPixelFormat::Rgb32;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0; // MF_MT_DEFAULT_STRIDE, for buffers without IMF2DBuffer
};
// False when the type is not one the program reads or has no sensible size.
bool layoutOfType(IMFMediaType* type, PictureLayout& layout);

// The attributes a source reader is made with: the video processor allowed (so that a decoder and a
// colour converter can be put behind the device), and `callback`, when given, for asynchronous reading.
HRESULT createReaderAttributes(IUnknown* callback, IMFAttributes** attributes);

// The first video stream alone selected, the best of its native types set (see chooseCameraMediaType),
// and, when that type is compressed or laid out otherwise, an uncompressed output the program reads
// asked for, so that the reader loads the decoder. `layout` is the current type's.
HRESULT setUpVideoReader(IMFSourceReader* reader, PictureLayout& layout);
// The step that asks for NV12, YUY2 or RGB32 out of the native type set on the first video stream.
HRESULT setReadableOutput(IMFSourceReader* reader);

// The sample's picture as 0xAARRGGBB, row by row from the top, read at the buffer's real pitch:
// IMF2DBuffer2::Lock2DSize, else IMF2DBuffer::Lock2D, else the plain bytes at the layout's stride.
// False, `pixels` untouched, when the buffer cannot be locked or holds less than the picture.
bool readSamplePicture(IMFSample* sample, const PictureLayout& layout, std::vector<uint32_t>& pixels);

// The mouse pointer's picture, from the shapes the system hands out, as two layers the renderer blends:
// `colour` (straight alpha, drawn over the picture) and `invert` (the screen under its white parts is
// inverted, as a pointer's XOR parts do on the desktop; other colours blend as a soft XOR).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// As DXGI numbers them (DXGI_OUTDUPL_POINTER_SHAPE_TYPE).
inline constexpr uint32_t kMonochromePointer = 1;
inline constexpr uint32_t kColourPointer = 2;
inline constexpr uint32_t kMaskedColourPointer = 4;

// Pixels as 32-bit words 0xAARRGGBB, row by row: the memory order of B8G8R8A8 textures.
struct PointerImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> colour;
    std::vector<uint32_t> invert;
    bool inverts = false; // some pixel of `invert` is not black
    bool operator==(const PointerImage&) const = default;
};

// A shape as DXGI describes it, `pitch` bytes a row:
// - monochrome: 1 bit a pixel, leftmost in the top bit; `height` rows hold an AND mask over an XOR
//   mask of height / 2 rows each. AND 0 draws the XOR bit (black or white), AND 1 keeps the screen or,
//   with XOR 1, inverts it;
// - colour: 32-bit BGRA with alpha;
// - masked colour: 32-bit BGRA whose top byte is a mask: 0 draws the colour, 0xFF XORs it with the screen.
// Nothing for a shape that does not fit its bytes or has no pixels.
std::optional<PointerImage> pointerImage(uint32_t type, uint32_t width, uint32_t height, uint32_t pitch,
                                         const uint8_t* bytes, std::size_t size);

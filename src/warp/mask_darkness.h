// The masks' darkness over the projection window, one byte a pixel (round(255 * darkness)): the program
// multiplies each pixel's colour by 1 - darkness. Pixel (x, y), x rightward and y downward, is sampled at
// its centre; a mask point (x, y) in device coordinates lies at ((x + 1) / 2 * width, (1 - y) / 2 * height).
// Several masks: the darkest wins. Masks that fail isMask darken nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "warp/mask.h"

// A half-open box of window pixels: columns left to right - 1, rows top to bottom - 1.
struct PixelBox {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool empty() const { return right <= left || bottom <= top; }
    bool operator==(const PixelBox&) const = default;
};

// Writes the darkness of every pixel of `box` (clipped to the window) into `pixels`, a width x height
// row-major image; the pixels outside the box are left as they are.
void drawMaskDarkness(const std::vector<MaskValues>& masks, int32_t width, int32_t height, PixelBox box,
                      uint8_t* pixels);

// A box, within the window, holding every pixel whose darkness differs between the two lists (empty when
// nothing can differ). Masks are compared by position in the lists. Where only some points of a mask
// moved, it is the box of their old and new edges grown by the feather and a pixel, so a dragged point
// redraws little; adding, removing or flipping an inverted mask changes the whole window.
PixelBox changedMaskPixels(const std::vector<MaskValues>& before, const std::vector<MaskValues>& after,
                           int32_t width, int32_t height);

// The captured mouse pointer over the picture: its two layers as textures and their draws.
#include "render/renderer.h"

void Renderer::usePointerImage(const PointerImage& image, uint64_t version)
{
    if (version == pointerVersion_ && pointerColour)
        return;
    pointerVersion_ = version;
    pointerColour.Reset();
    pointerInvert.Reset();
    if (image.width == 0 || image.height == 0)
        return;
    createPixelTexture(image.width, image.height, image.colour.data(), pointerColour);
    pointerInverts_ = image.inverts;
    if (pointerInverts_)
        createPixelTexture(image.width, image.height, image.invert.data(), pointerInvert);
}

void Renderer::drawPointer(const WarpMatrix& matrix)
{
    if (!pointerColour)
        return;
    drawQuad(pointerColour.Get(), matrix, alphaBlend.Get(), pointSampler.Get());
    if (pointerInverts_ && pointerInvert)
        drawQuad(pointerInvert.Get(), matrix, invertBlend.Get(), pointSampler.Get());
}

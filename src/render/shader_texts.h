// The shader texts of the warp pipeline, compiled at start-up with D3DCompile.
#pragma once

#include <string_view>

// Multiplies each quad point by the row-major matrix and keeps w, so the rasteriser's division makes
// the mapping projective with perspective-correct texture coordinates. Depth is always 0.
inline constexpr std::string_view kWarpVertexShader =
    "cbuffer CB : register(b0) { row_major float4x4 warp; }; "
    "struct VS_IN { float3 pos : POSITION; float2 tex : TEXCOORD; }; "
    "struct PS_IN { float4 pos : SV_POSITION; float2 tex : TEXCOORD; }; "
    "PS_IN main(VS_IN i) { PS_IN o; float4 p = mul(warp, float4(i.pos.x, i.pos.y, 0.0f, 1.0f)); "
    "o.pos = float4(p.x, p.y, 0.0f, p.w); o.tex = i.tex; return o; }";

// The look: `source` (left, top, width, height) is the part of the texture that (s, t) spans; `widths` are
// the edge blend's left, right, top and bottom; `shape` holds its curve, 1 / gamma and black level; `tone`
// the colour matching's brightness, contrast, 1 / gamma and 1 when it is on (0: the colour untouched), and
// `gains` its red, green and blue gains. The plain look (0, 0, 1, 1) samples the whole texture.
#define OSTREL_LOOK_CONSTANTS \
    "cbuffer Look : register(b0) { float4 source; float4 widths; float4 shape; float4 tone; float4 gains; }; "

// Without a blend: the look's part of the texture, nothing else, so a pass pays nothing for blending it
// does not use.
#define OSTREL_SAMPLE_BODY "return t.Sample(s, source.xy + tex * source.zw); }"
inline constexpr std::string_view kSamplePixelShader =
    OSTREL_LOOK_CONSTANTS
    "Texture2D t : register(t0); SamplerState s : register(s0); "
    "float4 main(float4 p : SV_POSITION, float2 tex : TEXCOORD) : SV_TARGET { " OSTREL_SAMPLE_BODY;

// With a blend or colour matching. Written with arithmetic, pow, min and max alone, all that Wine's shader
// compiler takes (no ternary operator, step or lerp): a step is a difference scaled far beyond 1 and
// clamped. The colour is matched first, so the blend still adds up in light: each channel gained,
// stretched about the middle, lifted, clamped and raised to 1 / gamma. An edge's band is 1 where its
// distance is below its width; its ramp is g^(1/gamma), with g's two halves chosen either side of the
// middle; the black level lifts what lies outside every band.
#define OSTREL_BLEND_BODY                                                                                        \
    "float4 c = t.Sample(s, source.xy + tex * source.zw); "                                                       \
    "float3 k = min(max((c.rgb * gains.rgb - 0.5f) * tone.y + 0.5f + tone.x, 0.0f), 1.0f); "                      \
    "c.rgb = c.rgb + (pow(k, tone.z) - c.rgb) * tone.w; "                                                         \
    "float4 d = float4(tex.x, 1.0f - tex.x, tex.y, 1.0f - tex.y); "                                               \
    "float4 band = min(max((widths - d) * 1e20f, 0.0f), 1.0f); "                                                  \
    "float4 x = min(max(d / max(widths, 1e-6f), 0.0f), 1.0f); "                                                   \
    "float4 upper = min(max((x - 0.5f) * 1e20f, 0.0f), 1.0f); "                                                   \
    "float4 low = 0.5f * pow(2.0f * x, shape.x); float4 high = 1.0f - 0.5f * pow(2.0f * (1.0f - x), shape.x); " \
    "float4 g = max(low + (high - low) * upper, 0.0f); "                                                          \
    "float4 f = 1.0f + (pow(g, shape.y) - 1.0f) * band; "                                                         \
    "float inside = max(max(band.x, band.y), max(band.z, band.w)); "                                              \
    "c.rgb = f.x * f.y * f.z * f.w * c.rgb * (1.0f - shape.z) + shape.z * (1.0f - inside); "
inline constexpr std::string_view kBlendPixelShader =
    OSTREL_LOOK_CONSTANTS
    "Texture2D t : register(t0); SamplerState s : register(s0); "
    "float4 main(float4 p : SV_POSITION, float2 tex : TEXCOORD) : SV_TARGET { " OSTREL_BLEND_BODY "return c; }";

// The same two under the output's masks: the colour scaled by 1 minus the darkness of the window pixel it
// lands on, a texel of the mask layer read where the pixel is. Alpha is kept, so a grid blended over a
// masked picture is masked alike.
#define OSTREL_MASK "Texture2D m : register(t1); "
#define OSTREL_MASKED_RETURN "c.rgb = c.rgb * (1.0f - m.Load(int3(p.xy, 0)).r); return c; }"
inline constexpr std::string_view kMaskedSamplePixelShader =
    OSTREL_LOOK_CONSTANTS
    "Texture2D t : register(t0); SamplerState s : register(s0); " OSTREL_MASK
    "float4 main(float4 p : SV_POSITION, float2 tex : TEXCOORD) : SV_TARGET { "
    "float4 c = t.Sample(s, source.xy + tex * source.zw); " OSTREL_MASKED_RETURN;
inline constexpr std::string_view kMaskedBlendPixelShader =
    OSTREL_LOOK_CONSTANTS
    "Texture2D t : register(t0); SamplerState s : register(s0); " OSTREL_MASK
    "float4 main(float4 p : SV_POSITION, float2 tex : TEXCOORD) : SV_TARGET { " OSTREL_BLEND_BODY OSTREL_MASKED_RETURN;

#undef OSTREL_MASKED_RETURN
#undef OSTREL_MASK
#undef OSTREL_BLEND_BODY
#undef OSTREL_SAMPLE_BODY
#undef OSTREL_LOOK_CONSTANTS

// The texts as the Renderer compiles them at set-up.
struct WarpShaderTexts {
    std::string_view vertex;
    std::string_view sample;
    std::string_view blend;
    std::string_view maskedSample;
    std::string_view maskedBlend;
};
inline constexpr WarpShaderTexts kWarpShaderTexts{kWarpVertexShader, kSamplePixelShader, kBlendPixelShader,
                                                  kMaskedSamplePixelShader, kMaskedBlendPixelShader};

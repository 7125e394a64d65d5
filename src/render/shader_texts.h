// The two shader texts of the warp pipeline, compiled at start-up with D3DCompile.
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

inline constexpr std::string_view kSamplePixelShader =
    "Texture2D t : register(t0); SamplerState s : register(s0); "
    "float4 main(float4 p : SV_POSITION, float2 tex : TEXCOORD) : SV_TARGET { return t.Sample(s, tex); }";

// Shader texts into bytecode with D3DCompile, keeping what the compiler says for the log.
#pragma once

#include <d3dcommon.h>
#include <wrl/client.h>

#include <string>
#include <string_view>

// `text` compiled from its "main" for `target` ("vs_4_0", "ps_4_0"). On failure: the compiler's result, no
// bytecode, and its messages on one line in `messages` (empty when it gave none). Warnings of a text that
// compiles are not kept.
HRESULT compileShader(std::string_view text, const char* target, Microsoft::WRL::ComPtr<ID3DBlob>& bytecode,
                      std::string& messages);

// The shader compiler's call and its messages made fit for one log line.
#include "render/shader_compiler.h"

#include <d3dcompiler.h>

namespace {

// The compiler ends each message with a line break and the text with a zero; debug.log takes one line
// of printable ASCII.
std::string oneLine(ID3DBlob* blob)
{
    std::string line;
    if (!blob)
        return line;
    const char* text = static_cast<const char*>(blob->GetBufferPointer());
    for (std::size_t at = 0; at < blob->GetBufferSize() && text[at] != '\0'; ++at) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const char shown = c < 0x20 ? ' ' : c > 0x7E ? '?' : static_cast<char>(c);
        if (shown != ' ' || (!line.empty() && line.back() != ' '))
            line += shown;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

} // namespace

HRESULT compileShader(std::string_view text, const char* target, Microsoft::WRL::ComPtr<ID3DBlob>& bytecode,
                      std::string& messages)
{
    Microsoft::WRL::ComPtr<ID3DBlob> said;
    HRESULT hr = D3DCompile(text.data(), text.size(), nullptr, nullptr, nullptr, "main", target, 0, 0,
                            bytecode.ReleaseAndGetAddressOf(), said.GetAddressOf());
    if (SUCCEEDED(hr) && !bytecode)
        hr = E_FAIL;
    messages = FAILED(hr) ? oneLine(said.Get()) : std::string();
    if (FAILED(hr))
        bytecode.Reset();
    return hr;
}

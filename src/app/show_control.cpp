// Blackout, freeze, test patterns and the hotkeys that switch them.
#include "app/show_control.h"

#include <algorithm>
#include <cstdio>

#include "app/app_state.h"
#include "platform/debug_log.h"

namespace {

constexpr float kFadeMs = 300.0f;

// One hotkey with Ctrl+Alt; MOD_NOREPEAT keeps a held key from switching it back and forth.
void registerHotKey(int id, UINT key, const char* name)
{
    if (RegisterHotKey(app.controlWindow, id, MOD_CONTROL | MOD_ALT | MOD_NOREPEAT, key))
        return;
    const DWORD error = GetLastError();
    char line[128];
    std::snprintf(line, sizeof line, "Atalho %s indisponivel (em uso por outro programa?), erro %lu", name,
                  static_cast<unsigned long>(error));
    Log("WARN", line);
}

} // namespace

void chooseBlackout(bool on)
{
    if (app.blackout == on)
        return;
    // The fade starts from where it is now, and moves on from this moment.
    advanceBlackoutFade();
    app.blackout = on;
    Log("LOG", on ? "Tela preta ligada" : "Tela preta desligada");
}

void chooseFreeze(bool on)
{
    if (app.frozen == on)
        return;
    app.frozen = on;
    Log("LOG", on ? "Imagem congelada" : "Imagem ao vivo");
}

void choosePattern(int32_t output, TestPattern pattern)
{
    for (int32_t at = 0; at < static_cast<int32_t>(app.outputs.size()); ++at)
        if (output == -1 || output == at)
            app.outputs[static_cast<std::size_t>(at)].pattern = pattern;
}

void registerShowHotKeys()
{
    registerHotKey(kBlackoutHotKey, 'B', "Ctrl+Alt+B");
    registerHotKey(kFreezeHotKey, 'F', "Ctrl+Alt+F");
}

void unregisterShowHotKeys()
{
    UnregisterHotKey(app.controlWindow, kBlackoutHotKey);
    UnregisterHotKey(app.controlWindow, kFreezeHotKey);
}

void followShowHotKey(WPARAM id)
{
    if (id == kBlackoutHotKey)
        chooseBlackout(!app.blackout);
    else if (id == kFreezeHotKey)
        chooseFreeze(!app.frozen);
}

bool advanceBlackoutFade()
{
    const ULONGLONG now = GetTickCount64();
    const float step = static_cast<float>(now - app.blackoutLevelAt) / kFadeMs;
    app.blackoutLevelAt = now;
    const float target = app.blackout ? 1.0f : 0.0f;
    app.blackoutLevel = app.blackoutLevel < target ? std::min(app.blackoutLevel + step, target)
                                                   : std::max(app.blackoutLevel - step, target);
    return app.blackoutLevel != target;
}

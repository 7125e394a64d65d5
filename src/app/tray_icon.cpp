// The tray icon record and its menu.
#include "app/tray_icon.h"

#include <cwchar>

#include "app/app_state.h"
#include "app/window_procs.h"
#include "platform/debug_log.h"
#include "render/renderer.h"

namespace {

struct MenuItem {
    WORD command;
    const wchar_t* text;
    // The switch the item shows checked when it is on; none for a plain command.
    bool AppState::*checked = nullptr;
};
constexpr MenuItem kTrayMenu[] = {{IDM_OPEN_PANEL, L"Abrir Painel"},
                                  {IDM_BLACKOUT, L"Tela preta", &AppState::blackout},
                                  {IDM_FREEZE, L"Congelar", &AppState::frozen},
                                  {IDM_EXIT, L"Sair"}};

constexpr const char* kTrayIconNotAdded =
    "Falha ao adicionar o icone na area de notificacao; nova tentativa quando a barra de tarefas for recriada";

// The icon the record describes into the notification area. A shell that is not up yet (a start at
// log-on can come first) refuses it; it announces itself with "TaskbarCreated" once it is, and the
// icon goes in then.
void putIconInNotificationArea()
{
    if (Shell_NotifyIconW(NIM_ADD, &app.trayIcon))
        return;
    // A shell that announces itself while it still holds the icon refuses a second add.
    if (Shell_NotifyIconW(NIM_MODIFY, &app.trayIcon))
        return;
    Log("WARN", kTrayIconNotAdded);
}

} // namespace

void addTrayIcon(Renderer& renderer)
{
    // No version is set, so the icon's messages come in the classic form (word parameter = uID).
    NOTIFYICONDATAW& icon = app.trayIcon;
    icon = NOTIFYICONDATAW{};
    icon.cbSize = sizeof(NOTIFYICONDATAW);
    icon.hWnd = app.controlWindow;
    icon.uID = 1;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = WM_TRAYICON;
    app.trayIconImage = renderer.loadTrayIcon(L"assets/logoBlack.png", 0);
    icon.hIcon = app.trayIconImage;
    if (!icon.hIcon)
        icon.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512)); // IDI_APPLICATION
    wcsncpy(icon.szTip, L"Ostrel Mapper Pro", 128);
    icon.szTip[127] = L'\0';
    putIconInNotificationArea();
}

void addTrayIconAgain()
{
    // Not made yet (start-up adds it later) or already taken away for good.
    if (!app.trayIcon.hIcon)
        return;
    putIconInNotificationArea();
}

void removeTrayIcon()
{
    Shell_NotifyIconW(NIM_DELETE, &app.trayIcon);
    // The stock icon is shared and never destroyed; only the one made from the picture is ours.
    if (app.trayIconImage) {
        DestroyIcon(app.trayIconImage);
        app.trayIconImage = nullptr;
    }
    app.trayIcon.hIcon = nullptr;
}

void showTrayMenu(HWND owner)
{
    HMENU menu = CreatePopupMenu();
    for (const MenuItem& item : kTrayMenu)
        AppendMenuW(menu, MF_STRING | (item.checked && app.*item.checked ? MF_CHECKED : MF_UNCHECKED), item.command,
                    item.text);
    POINT cursor{};
    GetCursorPos(&cursor);
    // In front first, also while hidden, or the menu would not close when the operator clicks elsewhere.
    SetForegroundWindow(owner);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_BOTTOMALIGN, cursor.x, cursor.y, 0, owner, nullptr);
    DestroyMenu(menu);
}

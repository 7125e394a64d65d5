// The notification-area icon: the program's permanent presence, and its two-item menu.
#pragma once

#include <windows.h>

class Renderer;

// Fills AppState trayIcon (icon from "assets/logoBlack.png", else the stock application icon) and adds it.
void addTrayIcon(Renderer& renderer);

// "Abrir Painel" and "Sair" at the cursor; the choice arrives later as WM_COMMAND.
void showTrayMenu(HWND owner);

// The notification-area icon: the program's permanent presence, and its two-item menu.
#pragma once

#include <windows.h>

class Renderer;

// Fills AppState trayIcon (icon from "assets/logoBlack.png", else the stock application icon) and adds it;
// a failure is logged ("WARN").
void addTrayIcon(Renderer& renderer);
// The same icon, tip and callback added again, for a shell that was made anew and lost it (Explorer
// restarted); nothing before addTrayIcon or after removeTrayIcon.
void addTrayIconAgain();
// Takes the icon out of the notification area and destroys the icon made from the picture.
void removeTrayIcon();

// "Abrir Painel" and "Sair" at the cursor; the choice arrives later as WM_COMMAND.
void showTrayMenu(HWND owner);

// The two window procedures and the messages and commands they handle.
#pragma once

#include <windows.h>

// Messages of the notification-area icon arrive at the control window as this message.
constexpr UINT WM_TRAYICON = WM_USER + 1;
// The remote control's socket has a datagram waiting (WSAAsyncSelect's FD_READ).
constexpr UINT WM_OSC = WM_USER + 2;
// The control window's timer that reports the remote control's dropped packets once they are due.
constexpr UINT_PTR kRemoteDropTimer = 1;
// The control window's timer that runs passes while a loop of the system's own holds the thread.
constexpr UINT_PTR kModalPassTimer = 2;

// Tray menu commands (2002 is not used).
constexpr WORD IDM_OPEN_PANEL = 2001;
constexpr WORD IDM_EXIT = 2003;
constexpr WORD IDM_BLACKOUT = 2004;
constexpr WORD IDM_FREEZE = 2005;

LRESULT CALLBACK ControlWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ProjectionWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

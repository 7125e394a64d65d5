// The remote control over OSC: the socket as AppState remote asks for it, the commands its packets
// carry, and the passes that carry them out.
#pragma once

#include "settings/settings_text.h"

// Opens the socket that AppState remote names (none for port 0), after the control window exists. A
// failure is logged ("WARN") and the program goes on without it.
void startRemoteControl();
// The socket closed, at shut-down.
void stopRemoteControl();
// The operator's port and network choice: saved, and the socket opened anew. A port outside 0 to
// kLargestPort is refused (false).
bool chooseRemote(const RemoteSettings& settings);

// WM_OSC: datagrams wait for the next runRemoteCommands.
void noteDatagramsWaiting();
// kRemoteDropTimer's WM_TIMER: the drops that waited for their second reported.
void followRemoteDropTimer();
// Once a pass, right after the messages: the waiting datagrams read, each sender checked, and each
// packet's commands carried out in the order they came, for at most a few milliseconds; what is left
// waits for the next pass.
void runRemoteCommands();

enum class RemoteListening { Off, Listening, Failed };
// What the socket does now, on AppState remote's port.
RemoteListening remoteListening();

// The remote control's socket and what each of its commands does. The window message only says that
// datagrams wait: they are read and carried out by a step of the main loop, so that a command never runs
// inside a modal loop (the tray menu, a window being moved) or halfway through a pass, and within a time
// of its own in each pass, so that no desk can take the passes from the projection.
#include "app/remote_control.h"

#include <chrono>
#include <cstdio>

#include "app/app_settings.h"
#include "app/app_state.h"
#include "app/camera_alignment.h"
#include "app/calibration_steps.h"
#include "app/operator_actions.h"
#include "app/show_control.h"
#include "app/window_procs.h"
#include "platform/debug_log.h"
#include "remote/osc_socket.h"
#include "remote/remote_command.h"
#include "render/test_patterns.h"

namespace {

using Clock = std::chrono::steady_clock;

// The one owner of the socket and of what came through it.
struct RemoteLink {
    OscSocket socket;
    bool failed = false;           // the last open of a port failed
    bool datagramsWaiting = false; // since WM_OSC, or since a pass stopped reading with time up
    Clock::time_point lastPass = Clock::now();
    UnknownAddresses unknown;
    DropReport drops;
    bool dropTimerSet = false;
};

RemoteLink link;

void openSocket()
{
    link.socket.close();
    link.failed = false;
    const int32_t port = app.remote.port;
    if (port == 0)
        return;
    char line[160];
    const int error = link.socket.open(static_cast<uint16_t>(port), app.remote.allowLan, app.controlWindow, WM_OSC);
    if (error == 0) {
        std::snprintf(line, sizeof line, "Controle remoto OSC escutando na porta %d (%s)", static_cast<int>(port),
                      app.remote.allowLan ? "rede local" : "somente este computador");
        Log("LOG", line);
        return;
    }
    link.failed = true;
    std::snprintf(line, sizeof line,
                  "Falha ao abrir a porta OSC %d (em uso por outro programa?), erro %d; controle remoto desligado",
                  static_cast<int>(port), error);
    Log("WARN", line);
}

// One line for each address of the first kMostUnknownAddressesLogged that the program does not know; a
// known one with the wrong arguments is a fault of the desk's settings, not worth a line each time.
void noteUnknownAddress(const std::string& address)
{
    if (isRemoteAddress(address))
        return;
    const std::string shown = loggableAddress(address);
    if (link.unknown.firstSighting(shown))
        Log("LOG", ("OSC: endereco desconhecido ignorado: " + shown).c_str());
}

void replyWithStatus(const OscPeer& to)
{
    RemoteStatus status;
    status.blackout = app.blackout;
    status.frozen = app.frozen;
    status.grid = app.showGrid;
    status.outputs = static_cast<int32_t>(app.outputs.size());
    status.firstPattern = patternName(app.outputs.front().pattern);
    link.socket.send(oscMessageBytes(statusMessage(status)), to);
}

void carryOut(const RemoteCommand& command, const OscPeer& from)
{
    using Kind = RemoteCommand::Kind;
    switch (command.kind) {
    case Kind::Blackout: chooseBlackout(command.on); break;
    case Kind::Freeze: chooseFreeze(command.on); break;
    case Kind::Grid: chooseShowGrid(command.on); break;
    case Kind::Pattern:
        if (const auto pattern = patternNamed(command.name))
            choosePattern(command.output, *pattern);
        break;
    case Kind::Preset: loadPreset(command.name); break;
    case Kind::Undo: undoStep(); break;
    case Kind::Redo: redoStep(); break;
    case Kind::Corner: chooseOutputCorner(command.output, command.corner, CornerPoint{command.x, command.y}); break;
    case Kind::Status: replyWithStatus(from); break;
    case Kind::CameraAlign: chooseCameraAlignment(); break;
    }
}

// The drops that are due now in one "WARN" line; for those that must wait, one timer at a time, set for
// when they are due (drops that come before it fires only add to what it reports).
void reportDrops()
{
    const uint64_t now = GetTickCount64();
    if (const uint64_t dropped = link.drops.takeDue(now)) {
        char line[160];
        std::snprintf(line, sizeof line,
                      "OSC: pacotes descartados desde o ultimo aviso: %llu (malformados ou de fora da rede aceita)",
                      static_cast<unsigned long long>(dropped));
        Log("WARN", line);
    }
    if (link.dropTimerSet)
        return;
    if (const auto wait = link.drops.msUntilDue(now))
        link.dropTimerSet = SetTimer(app.controlWindow, kRemoteDropTimer, static_cast<UINT>(*wait) + 1, nullptr) != 0;
}

// One more dropped packet, told at once when its report is due.
void dropPacket()
{
    link.drops.dropped();
    reportDrops();
}

// Every message of a packet carried out now, in order; a malformed packet is dropped whole.
void takePacket(std::string_view bytes, const OscPeer& from)
{
    const auto messages = readOscPacket(bytes);
    if (!messages) {
        dropPacket();
        return;
    }
    for (const OscMessage& message : *messages) {
        if (const auto command = remoteCommandOf(message))
            carryOut(*command, from);
        else
            noteUnknownAddress(message.address);
    }
}

} // namespace

void startRemoteControl()
{
    openSocket();
}

void stopRemoteControl()
{
    link.socket.close();
    KillTimer(app.controlWindow, kRemoteDropTimer);
    link.dropTimerSet = false;
}

bool chooseRemote(const RemoteSettings& settings)
{
    if (settings.port < 0 || settings.port > kLargestPort)
        return false;
    // The same choice again only retries a port that failed to open.
    const bool changed = settings != app.remote;
    if (!changed && (link.socket.isOpen() || settings.port == 0))
        return true;
    const bool wasListening = link.socket.isOpen();
    app.remote = settings;
    if (changed)
        saveSettings();
    openSocket();
    if (wasListening && settings.port == 0)
        Log("LOG", "Controle remoto OSC desligado");
    return true;
}

void noteDatagramsWaiting()
{
    link.datagramsWaiting = true;
}

void followRemoteDropTimer()
{
    KillTimer(app.controlWindow, kRemoteDropTimer);
    link.dropTimerSet = false;
    reportDrops();
}

void runRemoteCommands()
{
    const auto started = Clock::now();
    const auto sinceLastPass = std::chrono::duration_cast<std::chrono::microseconds>(started - link.lastPass);
    link.lastPass = started;
    if (!link.datagramsWaiting)
        return;
    // What does not fit waits in the socket's buffer, in the order it came, for the next pass.
    const auto time = std::chrono::microseconds(remoteTimeForPass(sinceLastPass.count()));
    std::string bytes;
    OscPeer from;
    link.socket.pauseNotices();
    while (Clock::now() - started < time) {
        const Receiving received = link.socket.receive(bytes, from);
        if (received == Receiving::NoneLeft) {
            link.datagramsWaiting = false;
            break;
        }
        if (received == Receiving::Dropped || !acceptsSender(from.address, app.remote.allowLan))
            dropPacket();
        else
            takePacket(bytes, from);
    }
    // What is left brings WM_OSC back at once, and with it the next pass; should notices stay off, the
    // program's own message does.
    if (!link.socket.resumeNotices() && link.datagramsWaiting)
        PostMessageW(app.controlWindow, WM_OSC, 0, 0);
}

RemoteListening remoteListening()
{
    if (link.socket.isOpen())
        return RemoteListening::Listening;
    return link.failed ? RemoteListening::Failed : RemoteListening::Off;
}

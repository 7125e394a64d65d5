// The remote control's socket, its queue of commands and what each command does. The packets are read
// in the window procedure but carried out in the main loop, so that a command never runs inside a
// modal loop (the tray menu, a window being moved) or halfway through a pass.
#include "app/remote_control.h"

#include <cstdio>
#include <deque>

#include "app/app_settings.h"
#include "app/app_state.h"
#include "app/calibration_steps.h"
#include "app/operator_actions.h"
#include "app/show_control.h"
#include "app/window_procs.h"
#include "platform/debug_log.h"
#include "remote/osc_socket.h"
#include "remote/remote_command.h"
#include "render/test_patterns.h"

namespace {

// Commands waiting for the next pass; past this many, a packet's commands are dropped. A pass takes
// them all, so only a desk far faster than any real one fills it.
constexpr std::size_t kMostQueuedCommands = 65536;

struct QueuedCommand {
    RemoteCommand command;
    OscPeer from; // where a status reply goes
};

// The one owner of the socket and of what came through it.
struct RemoteLink {
    OscSocket socket;
    bool failed = false; // the last open of a port failed
    std::deque<QueuedCommand> queue;
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
    std::snprintf(line, sizeof line, "Falha ao abrir a porta OSC %d (em uso por outro programa?), erro %d; controle remoto desligado",
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

void takePacket(std::string_view bytes, const OscPeer& from)
{
    const auto messages = readOscPacket(bytes);
    if (!messages) {
        link.drops.dropped();
        return;
    }
    bool overflowed = false;
    for (const OscMessage& message : *messages) {
        auto command = remoteCommandOf(message);
        if (!command)
            noteUnknownAddress(message.address);
        else if (link.queue.size() >= kMostQueuedCommands)
            overflowed = true;
        else
            link.queue.push_back({std::move(*command), from});
    }
    if (overflowed)
        link.drops.dropped();
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

void carryOut(const QueuedCommand& queued)
{
    using Kind = RemoteCommand::Kind;
    const RemoteCommand& command = queued.command;
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
    case Kind::Status: replyWithStatus(queued.from); break;
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
                      "OSC: pacotes descartados desde o ultimo aviso: %llu (malformados, de fora da rede aceita ou com a fila cheia)",
                      static_cast<unsigned long long>(dropped));
        Log("WARN", line);
    }
    if (link.dropTimerSet)
        return;
    if (const auto wait = link.drops.msUntilDue(now))
        link.dropTimerSet = SetTimer(app.controlWindow, kRemoteDropTimer, static_cast<UINT>(*wait) + 1, nullptr) != 0;
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

void readRemotePackets()
{
    std::string bytes;
    OscPeer from;
    for (;;) {
        const Receiving received = link.socket.receive(bytes, from);
        if (received == Receiving::NoneLeft)
            break;
        if (received == Receiving::Dropped || !acceptsSender(from.address, app.remote.allowLan))
            link.drops.dropped();
        else
            takePacket(bytes, from);
    }
    reportDrops();
}

void followRemoteDropTimer()
{
    KillTimer(app.controlWindow, kRemoteDropTimer);
    link.dropTimerSet = false;
    reportDrops();
}

void runRemoteCommands()
{
    if (link.queue.empty())
        return;
    // A command that dispatches messages (a window made by a recalled setup) may queue more: those wait
    // for the next pass.
    std::deque<QueuedCommand> due;
    due.swap(link.queue);
    for (const QueuedCommand& queued : due)
        carryOut(queued);
}

RemoteListening remoteListening()
{
    if (link.socket.isOpen())
        return RemoteListening::Listening;
    return link.failed ? RemoteListening::Failed : RemoteListening::Off;
}

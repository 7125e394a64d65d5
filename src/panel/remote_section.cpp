// The remote control in the panel. A typed port is applied when the field is left or Enter is pressed:
// each keystroke in between would open and close a socket on a port nobody meant.
#include "panel/remote_section.h"

#include <imgui.h>

#include "app/app_state.h"
#include "app/remote_control.h"

namespace {

constexpr float kPortFieldWidth = 80.0f;
const ImVec4 kTroubleColour(1.0f, 0.3f, 0.2f, 1.0f);

struct RemotePanel {
    int typedPort = 0;    // the field's value as last typed, while it is being edited
    bool refused = false; // the last typed port was outside 0 to kLargestPort
};

RemotePanel panel;

void drawPortField()
{
    // While the field is active, the panel library keeps the typed text itself and ignores this value.
    int port = app.remote.port;
    ImGui::SetNextItemWidth(kPortFieldWidth);
    if (ImGui::InputInt("Porta", &port, 0, 0))
        panel.typedPort = port;
    if (ImGui::IsItemDeactivatedAfterEdit())
        panel.refused = !chooseRemote(RemoteSettings{panel.typedPort, app.remote.allowLan});
    ImGui::SameLine();
    ImGui::TextDisabled("0 desliga");
    if (panel.refused)
        ImGui::TextColored(kTroubleColour, "Porta de 0 a %d", static_cast<int>(kLargestPort));
}

void drawListening()
{
    const int port = static_cast<int>(app.remote.port);
    switch (remoteListening()) {
    case RemoteListening::Listening: ImGui::Text("Escutando na porta %d", port); break;
    case RemoteListening::Off: ImGui::TextUnformatted("Desligado"); break;
    case RemoteListening::Failed: ImGui::TextColored(kTroubleColour, "Falha ao abrir a porta %d", port); break;
    }
}

} // namespace

void drawRemoteSection()
{
    ImGui::TextUnformatted("CONTROLE REMOTO (OSC)");
    drawPortField();
    bool allowLan = app.remote.allowLan;
    if (ImGui::Checkbox("Aceitar da rede local", &allowLan))
        chooseRemote(RemoteSettings{app.remote.port, allowLan});
    drawListening();
}

// Saved setups in the panel. What the operator typed, picked and was told is the panel's own state; the
// list comes from AppState, which presets/ fills when the panel opens and after each change.
#include "panel/preset_section.h"

#include <imgui.h>

#include <string>

#include "app/app_state.h"
#include "app/calibration_steps.h"

namespace {

constexpr float kNameFieldWidth = 250.0f;
constexpr float kListHeight = 200.0f;
// Up to 64 characters of up to 4 bytes, and one more so that a longer name is seen and refused.
constexpr std::size_t kNameBytes = 4 * 65 + 1;

struct PresetPanel {
    char name[kNameBytes] = {};
    std::string picked;        // the listed name the operator clicked
    std::string replacing;     // the name "Substituir?" asks about
    std::string message;
    bool messageIsTrouble = false;
};

PresetPanel panel;

const char* faultMessage(PresetNameFault fault)
{
    switch (fault) {
    case PresetNameFault::Empty: return "Digite um nome para a configuracao";
    case PresetNameFault::TooLong: return "Nome com mais de 64 caracteres";
    case PresetNameFault::Character: return "Use apenas letras, numeros, espaco, - e _";
    case PresetNameFault::OnlySpaces: return "O nome nao pode ter apenas espacos";
    case PresetNameFault::Reserved: return "Nome reservado pelo Windows";
    case PresetNameFault::None: break;
    }
    return "";
}

void tell(std::string message, bool trouble)
{
    panel.message = std::move(message);
    panel.messageIsTrouble = trouble;
}

void save(bool replace)
{
    const std::string name = panel.name;
    panel.replacing.clear();
    switch (savePreset(name, replace)) {
    case PresetSaving::Saved:
        panel.picked = name;
        tell("Configuracao salva: " + name, false);
        break;
    case PresetSaving::Refused: tell(faultMessage(presetNameFault(name)), true); break;
    case PresetSaving::AskToReplace:
        panel.replacing = name;
        tell("", false);
        break;
    case PresetSaving::Failed: tell("Falha ao salvar a configuracao", true); break;
    }
}

void drawSaving()
{
    ImGui::SetNextItemWidth(kNameFieldWidth);
    // A name typed after "Substituir?" asks again, for the new name.
    if (ImGui::InputText("Nome", panel.name, sizeof panel.name))
        panel.replacing.clear();
    ImGui::SameLine();
    if (ImGui::Button("SALVAR"))
        save(false);
    if (panel.replacing.empty())
        return;
    ImGui::AlignTextToFramePadding();
    ImGui::Text("Substituir? \"%s\" ja existe", panel.replacing.c_str());
    ImGui::SameLine();
    if (ImGui::Button("SIM"))
        save(true);
    ImGui::SameLine();
    if (ImGui::Button("NAO"))
        panel.replacing.clear();
}

// The saved names, a damaged one marked so; the picked one when it is still listed.
const PresetEntry* drawList()
{
    const PresetEntry* picked = nullptr;
    if (ImGui::BeginListBox("##Configuracoes salvas", ImVec2(-1.0f, kListHeight))) {
        if (app.presets.empty())
            ImGui::TextDisabled("Nenhuma configuracao salva");
        for (const PresetEntry& entry : app.presets) {
            const bool isPicked = entry.name == panel.picked;
            const std::string label = entry.damaged ? entry.name + " (danificado)" : entry.name;
            if (ImGui::Selectable(label.c_str(), isPicked))
                panel.picked = entry.name;
            if (entry.name == panel.picked)
                picked = &entry;
        }
        ImGui::EndListBox();
    }
    return picked;
}

void drawLoadingAndDeleting(const PresetEntry* picked)
{
    ImGui::BeginDisabled(!picked || picked->damaged);
    if (ImGui::Button("CARREGAR")) {
        const std::string name = picked->name;
        if (loadPreset(name))
            tell("Configuracao carregada: " + name, false);
        else
            tell("Configuracao danificada: " + name, true);
    }
    ImGui::EndDisabled();
    ImGui::SameLine();
    ImGui::BeginDisabled(!picked);
    if (ImGui::Button("EXCLUIR")) {
        const std::string name = picked->name;
        if (removePreset(name))
            tell("Configuracao excluida: " + name, false);
        else
            tell("Falha ao excluir a configuracao", true);
    }
    ImGui::EndDisabled();
}

} // namespace

void drawPresetSection()
{
    ImGui::TextUnformatted("Configuracoes");
    drawSaving();
    const PresetEntry* picked = drawList();
    drawLoadingAndDeleting(picked);
    if (!panel.message.empty()) {
        const ImVec4 colour = panel.messageIsTrouble ? ImVec4(1.0f, 0.3f, 0.2f, 1.0f) : ImVec4(0.5f, 1.0f, 0.5f, 1.0f);
        ImGui::TextColored(colour, "%s", panel.message.c_str());
    }
}

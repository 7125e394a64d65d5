// drawControlPanel: immediate mode, reading and writing AppState directly and calling each subsystem
// in the frame in which the operator acts.
#include "panel/control_panel.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <optional>
#include <string>

#include "app/app_state.h"
#include "app/calibration_steps.h"
#include "app/operator_actions.h"
#include "panel/camera_section.h"
#include "panel/combo_list.h"
#include "panel/item_report.h"
#include "panel/panel_items.h"
#include "panel/picture_sections.h"
#include "panel/preset_section.h"
#include "panel/show_section.h"
#include "panel/surface_sections.h"
#include "warp/corner_editing.h"

namespace {

constexpr const char* kCornerLabels[4] = {"Superior Esq (TL)", "Superior Dir (TR)", "Inferior Esq (BL)",
                                          "Inferior Dir (BR)"};
constexpr const char* kShortcutLines[] = {"Numeros 1 a 4: Selecionar Ponta", "Tab / Shift + Tab: Pontos da Malha",
                                         "Setas: Ajuste Fino", "Shift + Setas: Ajuste Rapido",
                                         "Clique numa superficie: Edita-la", "Duplo clique na borda: Ponto na mascara",
                                         "Delete: Apagar ponto da mascara",
                                         "Ctrl + Z / Ctrl + Y: Desfazer / Refazer"};
constexpr const char* kSaveFailedWarning = "AVISO: falha ao salvar config.json";
// The combo lists' entries 2 to 9, in the panel library's list format.
constexpr char kMeshSides[] = "2\0" "3\0" "4\0" "5\0" "6\0" "7\0" "8\0" "9\0";
constexpr float kSideWidth = 50.0f;
constexpr float kFieldWidth = 100.0f;
constexpr float kButtonHeight = 30.0f;
// Where a corner row's X field starts, after its name.
constexpr float kCornerFieldsAt = 125.0f;

// A combo list of the monitors showing `current`; the entry the operator picked when it differs from
// `current`. Read from AppState every frame, so the lists follow a display change.
std::optional<int32_t> pickedMonitor(const char* label, int32_t current, const std::string& items)
{
    int choice = current;
    const bool picked = comboList(label, &choice, items.c_str());
    if (!picked || choice == current)
        return std::nullopt;
    return choice;
}

// The first output's "Saida" as ever; each further output with its own list and "REMOVER"; then
// "ADICIONAR SAIDA", while an output can be added.
void drawOutputRows(const std::string& items)
{
    // An output whose projector is gone shows no monitor: any the operator picks is a choice.
    const auto shownMonitor = [](const ProjectionOutput& output) {
        return output.projectorMissing ? -1 : output.values.outputMonitor;
    };
    if (const auto monitor = pickedMonitor("Saida", shownMonitor(app.outputs.front()), items))
        chooseOutputMonitor(0, *monitor);
    for (int32_t output = 1; output < static_cast<int32_t>(app.outputs.size()); ++output) {
        const std::string label = "Saida " + std::to_string(output + 1);
        if (const auto monitor = pickedMonitor(label.c_str(), shownMonitor(app.outputs[static_cast<std::size_t>(output)]), items))
            chooseOutputMonitor(output, *monitor);
        ImGui::SameLine();
        const bool remove = ImGui::Button(("REMOVER##" + label).c_str());
        // Removed after the row is drawn, so the loop never reads past the list.
        if (remove) {
            removeOutput(output);
            break;
        }
    }
    // Where the system does not keep a projection out of screen captures, one on the captured monitor shows
    // itself within itself: said here, so that the operator knows why.
    for (std::size_t output = 0; output < app.outputs.size(); ++output) {
        if (!app.outputs[output].onCapturedMonitor)
            continue;
        const std::string warning =
            "Saida " + std::to_string(output + 1) + " esta no monitor capturado: ela aparece na imagem";
        ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 0.75f, 0.2f, 1.0f));
        reportedText(warning.c_str());
        ImGui::PopStyleColor();
    }
    ImGui::BeginDisabled(!monitorForNewOutput());
    if (ImGui::Button("ADICIONAR SAIDA"))
        addOutput();
    ImGui::EndDisabled();
}

void drawMonitoringTab()
{
    const std::string items = monitorItemList(app.monitors);
    if (const auto capture = pickedMonitor("Captura", app.captureMonitor, items))
        chooseCaptureMonitor(*capture);
    drawOutputRows(items);
    ImGui::Separator();
    bool startWithWindows = app.startWithWindows;
    if (ImGui::Checkbox("INICIAR COM O WINDOWS", &startWithWindows))
        chooseStartWithWindows(startWithWindows);
    bool showCursor = app.showCursor;
    if (ImGui::Checkbox("MOSTRAR CURSOR", &showCursor))
        chooseShowCursor(showCursor);
}

// One coordinate field, "X" or "Y" of the point named `point` (the hidden part of its label, which
// keeps the fields of different points apart); a typed value that is not a finite number leaves the
// corner as it was.
bool cornerField(const char* axis, const char* point, float& coordinate)
{
    ImGui::SetNextItemWidth(kFieldWidth);
    float typed = coordinate;
    const std::string label = std::string(axis) + "##" + point;
    const bool changed = ImGui::InputFloat(label.c_str(), &typed, 0.0f, 0.0f, "%.4f", 0);
    if (!changed || !isAcceptedCornerValue(typed))
        return false;
    coordinate = typed;
    return true;
}

void drawCornerRows()
{
    const ProjectionOutput& output = editedOutput();
    for (int i = 0; i < 4; ++i) {
        CornerPoint corner = output.editedSurface().corners[static_cast<std::size_t>(i)];
        ImGui::AlignTextToFramePadding();
        ImGui::TextUnformatted(kCornerLabels[i]);
        ImGui::SameLine(kCornerFieldsAt);
        if (cornerField("X", kCornerLabels[i], corner.x))
            chooseCorner(i, corner);
        ImGui::SameLine();
        if (cornerField("Y", kCornerLabels[i], corner.y))
            chooseCorner(i, corner);
        if (ImGui::IsItemActive())
            selectCorner(i);
    }
}

// A combo list of mesh sides 2 to 9; the side the operator picked when it differs from `current`.
std::optional<int32_t> pickedSide(const char* label, int32_t current)
{
    int choice = current - kSmallestMeshSide;
    ImGui::SetNextItemWidth(kSideWidth);
    const bool picked = comboList(label, &choice, kMeshSides);
    if (!picked || choice + kSmallestMeshSide == current)
        return std::nullopt;
    return choice + kSmallestMeshSide;
}

// The mesh's size, and the selected point's place on the projection, as the corners' fields give theirs.
void drawMeshRows()
{
    const ProjectionOutput& output = editedOutput();
    const Mesh& mesh = output.editedSurface().mesh;
    if (const auto columns = pickedSide("Colunas", mesh.columns))
        chooseMeshSize(*columns, mesh.rows);
    ImGui::SameLine();
    if (const auto rows = pickedSide("Linhas", mesh.rows))
        chooseMeshSize(mesh.columns, *rows);
    const int32_t selected = output.editing.selectedPoint;
    const auto position = pointPosition(output.editedSurface().corners, mesh, selected);
    ImGui::Text("Ponto selecionado: %d de %d", static_cast<int>(selected) + 1, static_cast<int>(mesh.pointCount()));
    CornerPoint typed = position.value_or(CornerPoint{});
    ImGui::BeginDisabled(!position);
    const bool movedX = cornerField("X", "Ponto selecionado", typed.x);
    ImGui::SameLine();
    const bool movedY = cornerField("Y", "Ponto selecionado", typed.y);
    ImGui::EndDisabled();
    if (position && (movedX || movedY))
        moveSelectedPoint(typed);
}

void drawMappingTab()
{
    bool showGrid = app.showGrid;
    if (ImGui::Checkbox("EXIBIR GRADIL", &showGrid))
        chooseShowGrid(showGrid);
    ImGui::SameLine();
    drawEditedOutputChoice();
    drawSurfaceRows();
    ImGui::Separator();
    drawCornerRows();
    ImGui::Separator();
    drawMeshRows();
    ImGui::Separator();
    drawSourceSection();
    drawBlendSection();
    ImGui::Separator();
    drawMaskSection();
    ImGui::Separator();
    if (ImGui::Button("RESETAR", ImVec2(kFieldWidth, kButtonHeight)))
        resetCorners();
    ImGui::SameLine();
    if (ImGui::Button("ZERAR MALHA", ImVec2(kFieldWidth, kButtonHeight)))
        zeroMesh();
    ImGui::SameLine();
    if (ImGui::Button("CONCLUIR", ImVec2(-1.0f, kButtonHeight)))
        concludeEditing();
    ImGui::Spacing();
    ImGui::Separator();
    ImGui::TextColored(ImVec4(1.0f, 0.8f, 0.0f, 1.0f), "ATALHOS (Na tela de projecao):");
    for (const char* line : kShortcutLines)
        ImGui::TextUnformatted(line);
}

// "DESFAZER" and "REFAZER" above the tabs, so that every tab shows them; Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z
// too, except while a text field takes the keys for its own editing.
void drawUndoButtons()
{
    ImGui::BeginDisabled(!app.history.canUndo());
    if (ImGui::Button("DESFAZER", ImVec2(kFieldWidth, kButtonHeight)))
        undoStep();
    ImGui::EndDisabled();
    ImGui::SameLine();
    ImGui::BeginDisabled(!app.history.canRedo());
    if (ImGui::Button("REFAZER", ImVec2(kFieldWidth, kButtonHeight)))
        redoStep();
    ImGui::EndDisabled();

    const ImGuiIO& io = ImGui::GetIO();
    if (io.WantTextInput || !io.KeyCtrl)
        return;
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Y), false) ||
        (io.KeyShift && ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Z), false)))
        redoStep();
    else if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Z), false))
        undoStep();
}

// What one panel item changes while it is held or typed in is one step: the changes of a frame carry
// the number of the item's activation, which a frame with nothing active, or another item, moves on.
class PanelStepKeys {
public:
    void startFrame() const { app.stepKey = StepKey{StepKey::Kind::PanelItem, activation_}; }
    void endFrame()
    {
        const ImGuiID active = ImGui::GetActiveID();
        if (active == 0 || active != lastActive_)
            ++activation_;
        lastActive_ = active;
        app.stepKey.reset();
    }

private:
    int32_t activation_ = 0;
    ImGuiID lastActive_ = 0;
};

PanelStepKeys stepKeys;

} // namespace

void drawControlPanel()
{
    stepKeys.startFrame();
    // Only the camera's tab, when it is the one drawn, says so again.
    app.cameraTabShown = false;
    const ImGuiIO& io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f), ImGuiCond_Always, ImVec2(0.0f, 0.0f));
    ImGui::SetNextWindowSize(io.DisplaySize, ImGuiCond_Always);
    constexpr ImGuiWindowFlags flags =
        ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse;
    if (ImGui::Begin("OSTREL_PAINEL", nullptr, flags)) {
        if (app.logoTexture) {
            ImGui::Image(reinterpret_cast<ImTextureID>(app.logoTexture.Get()), ImVec2(126.0f, 49.0f), ImVec2(0.0f, 0.0f),
                         ImVec2(1.0f, 1.0f));
            ImGui::SameLine(0.0f, 40.0f);
        }
        drawUndoButtons();
        // Until a save succeeds, the operator knows that the calibration lives only in memory.
        if (app.saveFailed)
            ImGui::TextColored(ImVec4(1.0f, 0.3f, 0.2f, 1.0f), "%s", kSaveFailedWarning);
        if (ImGui::BeginTabBar("Tabs", 0)) {
            if (ImGui::BeginTabItem("Monitoramento")) {
                drawMonitoringTab();
                ImGui::EndTabItem();
            }
            if (ImGui::BeginTabItem("Mapeamento")) {
                drawMappingTab();
                ImGui::EndTabItem();
            }
            if (ImGui::BeginTabItem("Apresentacao")) {
                drawShowTab();
                ImGui::EndTabItem();
            }
            if (ImGui::BeginTabItem("Camera")) {
                app.cameraTabShown = true;
                drawCameraTab();
                ImGui::EndTabItem();
            }
            if (ImGui::BeginTabItem("Configuracoes")) {
                drawPresetSection();
                ImGui::EndTabItem();
            }
            ImGui::EndTabBar();
        }
    }
    ImGui::End();
    stepKeys.endFrame();
}

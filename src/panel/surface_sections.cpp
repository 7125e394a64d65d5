// Every change goes through an operator action; the lists are read from AppState every frame.
#include "panel/surface_sections.h"

#include <imgui.h>

#include <cmath>

#include "app/app_state.h"
#include "app/operator_actions.h"
#include "panel/combo_list.h"

namespace {

constexpr float kListWidth = 110.0f;
constexpr float kFeatherWidth = 55.0f;

} // namespace

void drawSurfaceRows()
{
    const ProjectionOutput& output = editedOutput();
    const std::size_t count = output.values.surfaces.size();
    const int32_t shown = output.editing.editedSurface;
    if (const auto surface = pickedEntry("Superficie editada", "Superficie", count, shown, kListWidth))
        chooseEditedSurface(*surface);
    ImGui::SameLine();
    ImGui::BeginDisabled(static_cast<int32_t>(count) >= kMostSurfaces);
    if (ImGui::Button("ADICIONAR SUPERFICIE"))
        addSurface();
    ImGui::EndDisabled();

    const int32_t edited = output.editing.editedSurface;
    ImGui::BeginDisabled(count < 2);
    if (ImGui::Button("REMOVER SUPERFICIE"))
        removeSurface();
    ImGui::EndDisabled();
    // Up draws it over the next surface, down under the one before.
    ImGui::SameLine();
    ImGui::BeginDisabled(edited + 1 >= static_cast<int32_t>(count));
    if (ImGui::Button("SUBIR"))
        moveSurface(1);
    ImGui::EndDisabled();
    ImGui::SameLine();
    ImGui::BeginDisabled(edited <= 0);
    if (ImGui::Button("DESCER"))
        moveSurface(-1);
    ImGui::EndDisabled();
}

void drawMaskSection()
{
    const ProjectionOutput& output = editedOutput();
    const std::size_t count = output.values.masks.size();
    ImGui::TextUnformatted("Mascaras");
    ImGui::SameLine();
    if (count > 0) {
        if (const auto mask = pickedEntry("Mascara editada", "Mascara", count, output.editing.chosenMask, kListWidth))
            chooseMask(*mask);
        ImGui::SameLine();
    }
    ImGui::BeginDisabled(static_cast<int32_t>(count) >= kMostMasks);
    if (ImGui::Button("ADICIONAR MASCARA"))
        addMask();
    ImGui::EndDisabled();

    const MaskValues* mask = output.chosenMask();
    if (!mask)
        return;
    float feather = mask->feather;
    ImGui::SetNextItemWidth(kFeatherWidth);
    if (ImGui::InputFloat("Suavizar", &feather, 0.0f, 0.0f, "%.0f", 0) && std::isfinite(feather))
        chooseMaskFeather(feather);
    ImGui::SameLine();
    bool invert = mask->invert;
    if (ImGui::Checkbox("Inverter", &invert))
        chooseMaskInvert(invert);
    ImGui::SameLine();
    if (ImGui::Button("REMOVER MASCARA"))
        removeMask();
}

// Every change goes through an operator action; the lists are read from AppState every frame.
#include "panel/surface_sections.h"

#include <imgui.h>

#include <cmath>
#include <string>

#include "app/app_state.h"
#include "app/operator_actions.h"
#include "panel/combo_list.h"

namespace {

constexpr float kListWidth = 110.0f;
constexpr float kFeatherWidth = 55.0f;

// "<name> 1" to "<name> count", in the combo lists' format.
std::string numberedItems(const char* name, std::size_t count)
{
    std::string items;
    for (std::size_t at = 0; at < count; ++at)
        items += std::string(name) + ' ' + std::to_string(at + 1) + '\0';
    return items + '\0';
}

} // namespace

void drawSurfaceRows()
{
    const ProjectionOutput& output = editedOutput();
    const std::size_t count = output.values.surfaces.size();
    int choice = output.editing.editedSurface;
    ImGui::SetNextItemWidth(kListWidth);
    if (comboList("Superficie editada", &choice, numberedItems("Superficie", count).c_str()))
        chooseEditedSurface(choice);
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
        int choice = output.editing.chosenMask;
        ImGui::SetNextItemWidth(kListWidth);
        if (comboList("Mascara editada", &choice, numberedItems("Mascara", count).c_str()))
            chooseMask(choice);
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

// The show's switches and the edited output's pattern and colour, read from AppState every frame.
#include "panel/show_section.h"

#include <imgui.h>

#include "app/app_state.h"
#include "app/show_control.h"
#include "panel/combo_list.h"
#include "panel/picture_sections.h"
#include "panel/remote_section.h"

namespace {

constexpr float kPatternListWidth = 200.0f;

void drawSwitches()
{
    bool blackout = app.blackout;
    if (ImGui::Checkbox("TELA PRETA", &blackout))
        chooseBlackout(blackout);
    ImGui::SameLine();
    bool frozen = app.frozen;
    if (ImGui::Checkbox("CONGELAR", &frozen))
        chooseFreeze(frozen);
    ImGui::TextUnformatted("Ctrl + Alt + B: Tela preta    Ctrl + Alt + F: Congelar");
}

void drawPatternChoice()
{
    int choice = static_cast<int>(editedOutput().pattern);
    ImGui::SetNextItemWidth(kPatternListWidth);
    if (comboList("Padrao", &choice, kPatternItems, kPatternCount) && choice != static_cast<int>(editedOutput().pattern))
        choosePattern(app.editedOutput, static_cast<TestPattern>(choice));
}

} // namespace

void drawShowTab()
{
    drawSwitches();
    ImGui::Separator();
    drawEditedOutputChoice();
    drawPatternChoice();
    drawColorSection();
    ImGui::Separator();
    drawRemoteSection();
}

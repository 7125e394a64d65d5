// The panel's layout report for the end-to-end tests' build of the program: every frame in which a
// widget moved, "panel-layout.txt" beside the program lists each widget's rectangle in client pixels,
// so a test clicks widgets where they really are rather than where one run happened to put them.
#include <imgui.h>
#include <imgui_internal.h>

#include <map>
#include <string>

#include "panel/layout_report.h"
#include "platform/file_access.h"

namespace {

struct Box {
    float left, top, right, bottom;
    bool operator==(const Box&) const = default;
};

std::map<std::string, Box> thisFrame;
std::map<std::string, Box> lastWritten;

} // namespace

void reportPanelItem(const char* name)
{
    const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
    thisFrame[name] = {min.x, min.y, max.x, max.y};
}

void reportPanelPopup(const char* name, int itemCount)
{
    // The combo's popup, while open: the open popup whose id the combo list derives from its label.
    const ImGuiContext& g = *GImGui;
    if (g.OpenPopupStack.Size == 0 || !g.OpenPopupStack.back().Window)
        return;
    const ImGuiID comboPopup = ImHashStr("##ComboPopup", 0, ImGui::GetID(name));
    if (g.OpenPopupStack.back().PopupId != comboPopup)
        return;
    const ImGuiWindow* popup = g.OpenPopupStack.back().Window;
    // A popup's first frame is hidden while the library measures it: its size is not yet its own.
    if (popup->Hidden || !popup->WasActive)
        return;
    thisFrame[std::string(name) + " popup " + std::to_string(itemCount)] = {
        popup->Pos.x, popup->Pos.y, popup->Pos.x + popup->Size.x, popup->Pos.y + popup->Size.y};
}

void reportPanelFrameEnd()
{
    if (thisFrame != lastWritten) {
        std::string text;
        for (const auto& [name, box] : thisFrame)
            text += name + "|" + std::to_string(box.left) + " " + std::to_string(box.top) + " " +
                    std::to_string(box.right) + " " + std::to_string(box.bottom) + "\n";
        replaceFileContent(L"panel-layout.txt", text);
        lastWritten = thisFrame;
    }
    thisFrame.clear();
}

// The panel's layout report for the end-to-end tests' build of the program: every frame in which a
// widget moved, "panel-layout.txt" beside the program lists each widget's rectangle in client pixels,
// so a test clicks widgets where they really are rather than where one run happened to put them.
// It also counts the main loop's passes, so that a test waits for passes rather than for time.
#include <windows.h>

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

namespace {

// A 64-bit counter in a named section that wintool reads from outside ("wintool passes"). The handle
// stays open for the life of the process, which keeps the section.
volatile LONG64* mapCounter(const wchar_t* name)
{
    HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG64), name);
    if (!section)
        return nullptr;
    return static_cast<volatile LONG64*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(LONG64)));
}

} // namespace

void reportPassEnd()
{
    // Mapped at the first pass; every later pass costs one increment.
    static volatile LONG64* const counter = mapCounter(L"Local\\OstrelPassCount");
    if (counter)
        InterlockedIncrement64(counter);
}

bool reportedDeviceRemoval()
{
    // How many removals a test asked for ("wintool remove-device"); each is taken once.
    static volatile LONG64* const requested = mapCounter(L"Local\\OstrelDeviceRemovals");
    static LONG64 taken = 0;
    if (!requested || *requested == taken)
        return false;
    ++taken;
    return true;
}

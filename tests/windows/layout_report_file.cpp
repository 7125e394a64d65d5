// The panel's layout report for the end-to-end tests' build of the program: every frame in which a
// widget moved, "panel-layout.txt" beside the program lists each widget's rectangle in client pixels,
// so a test clicks widgets where they really are rather than where one run happened to put them.
// The panel library's item hooks give each widget's box and label; a widget is named by its label, or,
// when the label hides a part after "##", by that part and then the shown one ("X##Superior Esq (TL)"
// is "Superior Esq (TL) X"). An open combo list is its combo's name, "popup" and its entry count.
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

// What the hooks told of one widget in this frame.
struct Item {
    const ImGuiWindow* window = nullptr;
    Box box{};
    std::string label;
};

std::map<ImGuiID, Item> thisFrame;
std::map<std::string, Box> lastWritten;

std::string nameOf(const std::string& label)
{
    const auto hidden = label.find("##");
    return hidden == std::string::npos ? label : label.substr(hidden + 2) + " " + label.substr(0, hidden);
}

Box boxOf(const ImGuiWindow& window)
{
    return {window.Pos.x, window.Pos.y, window.Pos.x + window.Size.x, window.Pos.y + window.Size.y};
}

// This frame's widgets by name, and each open combo list under its combo's name; a popup's entries are
// counted, not named.
std::map<std::string, Box> layoutOf(const ImGuiContext& g)
{
    std::map<std::string, Box> layout;
    std::map<const ImGuiWindow*, int> entries;
    for (const auto& [id, item] : thisFrame) {
        if (item.label.empty() || !item.window)
            continue;
        if (item.window->Flags & ImGuiWindowFlags_Popup)
            ++entries[item.window];
        else
            layout[nameOf(item.label)] = item.box;
    }
    for (const ImGuiPopupData& popup : g.OpenPopupStack) {
        // A popup's first frame is hidden while the library measures it: its size is not yet its own.
        if (!popup.Window || popup.Window->Hidden || !popup.Window->WasActive)
            continue;
        // A combo's popup has the id the library derives from the combo's.
        for (const auto& [id, item] : thisFrame)
            if (!item.label.empty() && item.window && ImHashStr("##ComboPopup", 0, id) == popup.PopupId)
                layout[nameOf(item.label) + " popup " + std::to_string(entries[popup.Window])] = boxOf(*popup.Window);
    }
    return layout;
}

void writeLayout(ImGuiContext* context, ImGuiContextHook*)
{
    const std::map<std::string, Box> layout = layoutOf(*context);
    thisFrame.clear();
    if (layout == lastWritten)
        return;
    std::string text;
    for (const auto& [name, box] : layout)
        text += name + "|" + std::to_string(box.left) + " " + std::to_string(box.top) + " " +
                std::to_string(box.right) + " " + std::to_string(box.bottom) + "\n";
    replaceFileContent(L"panel-layout.txt", text);
    lastWritten = layout;
}

// The panel library's context is made with the renderer, and made again after a lost device; a new
// one has its item hooks off, and gets them on, with the layout written at the end of each frame.
void watchPanelItems()
{
    ImGuiContext* context = ImGui::GetCurrentContext();
    if (!context || context->TestEngineHookItems)
        return;
    context->TestEngineHookItems = true;
    thisFrame.clear();
    ImGuiContextHook hook;
    hook.Type = ImGuiContextHookType_EndFramePost;
    hook.Callback = writeLayout;
    ImGui::AddContextHook(context, &hook);
}

} // namespace

void ImGuiTestEngineHook_ItemAdd(ImGuiContext* context, const ImRect& box, ImGuiID id)
{
    Item& item = thisFrame[id];
    item.window = context->CurrentWindow;
    item.box = {box.Min.x, box.Min.y, box.Max.x, box.Max.y};
}

// A tab gives its label before its box.
void ImGuiTestEngineHook_ItemInfo(ImGuiContext*, ImGuiID id, const char* label, ImGuiItemStatusFlags)
{
    thisFrame[id].label = label;
}

void ImGuiTestEngineHook_Log(ImGuiContext*, const char*, ...) {}

// For the library's debug windows, which the panel never shows.
const char* ImGuiTestEngine_FindItemDebugLabel(ImGuiContext*, ImGuiID) { return nullptr; }

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
    watchPanelItems();
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

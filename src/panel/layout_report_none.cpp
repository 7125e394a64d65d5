// The program's build: the panel reports no layout. The panel library is built to call item hooks, but
// only from a context that turns them on, and nothing here does.
#include "panel/layout_report.h"

#include <imgui.h>
#include <imgui_internal.h>

void reportPassEnd() {}
bool reportedDeviceRemoval() { return false; }

void ImGuiTestEngineHook_ItemAdd(ImGuiContext*, const ImRect&, ImGuiID) {}
void ImGuiTestEngineHook_ItemInfo(ImGuiContext*, ImGuiID, const char*, ImGuiItemStatusFlags) {}
void ImGuiTestEngineHook_Log(ImGuiContext*, const char*, ...) {}
const char* ImGuiTestEngine_FindItemDebugLabel(ImGuiContext*, ImGuiID) { return nullptr; }

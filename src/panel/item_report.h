// Panel items that the panel library does not name to its item hooks (a line of text, a picture, a point
// drawn over it), named there as its widgets are, so that the layout report lists them too.
#pragma once

#include <imgui.h>
#include <imgui_internal.h>

// The item `label` over the box from `min` to `max`, in the panel's pixels. The hooks are off in the
// program, which then only tests the flag.
inline void reportItem(const char* label, const ImVec2& min, const ImVec2& max)
{
    ImGuiContext& g = *GImGui;
    const ImGuiID id = ImGui::GetID(label);
    IMGUI_TEST_ENGINE_ITEM_ADD(ImRect(min, max), id);
    IMGUI_TEST_ENGINE_ITEM_INFO(id, label, ImGuiItemStatusFlags_None);
}

// A line of text, named by its text.
inline void reportedText(const char* text)
{
    ImGui::TextUnformatted(text);
    reportItem(text, ImGui::GetItemRectMin(), ImGui::GetItemRectMax());
}

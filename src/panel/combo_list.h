// A combo list of the panel whose label the panel library's item hooks see, as they see every other
// widget's.
#pragma once

#include <imgui.h>
#include <imgui_internal.h>

// Dear ImGui 1.86's combo gives its box to the item hooks but, unlike its other widgets, not its label;
// this gives it. The hooks are off in the program, which then only tests the flag.
inline bool comboList(const char* label, int* choice, const char* items)
{
    const ImGuiID id = ImGui::GetID(label);
    const bool picked = ImGui::Combo(label, choice, items);
    ImGuiContext& g = *GImGui;
    IMGUI_TEST_ENGINE_ITEM_INFO(id, label, ImGuiItemStatusFlags_None);
    return picked;
}

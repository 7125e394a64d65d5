// A combo list of the panel whose label the panel library's item hooks see, as they see every other
// widget's.
#pragma once

#include <imgui.h>
#include <imgui_internal.h>

#include <cstdint>
#include <optional>
#include <string>

// Dear ImGui 1.86's combo gives its box to the item hooks but, unlike its other widgets, not its label;
// this gives it. The hooks are off in the program, which then only tests the flag. The open list shows
// `shownItems` entries before it scrolls (-1: the library's 8).
inline bool comboList(const char* label, int* choice, const char* items, int shownItems = -1)
{
    const ImGuiID id = ImGui::GetID(label);
    const bool picked = ImGui::Combo(label, choice, items, shownItems);
    ImGuiContext& g = *GImGui;
    IMGUI_TEST_ENGINE_ITEM_INFO(id, label, ImGuiItemStatusFlags_None);
    return picked;
}

// A combo list `width` wide of "<name> 1" to "<name> count" showing entry `current`; the entry the
// operator picked.
inline std::optional<int32_t> pickedEntry(const char* label, const char* name, std::size_t count, int32_t current,
                                          float width)
{
    std::string items;
    for (std::size_t at = 0; at < count; ++at)
        items += std::string(name) + ' ' + std::to_string(at + 1) + '\0';
    items += '\0';
    int choice = current;
    ImGui::SetNextItemWidth(width);
    if (!comboList(label, &choice, items.c_str()))
        return std::nullopt;
    return choice;
}

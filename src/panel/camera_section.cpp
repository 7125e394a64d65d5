// The camera's tab, read from AppState every frame. The target shown before one is marked is the
// session's default; it becomes the operator's, and is saved, with the first drag or typed value.
#include "panel/camera_section.h"

#include <imgui.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/camera_alignment.h"
#include "app/camera_session.h"
#include "panel/combo_list.h"
#include "panel/item_report.h"
#include "render/renderer.h"

namespace {

using Target = std::array<CornerPoint, 4>;

constexpr const char* kPointLabels[4] = {"TL", "TR", "BL", "BR"};
// Round the quad: TL, TR, BR, BL.
constexpr int kOutlineOrder[4] = {0, 1, 3, 2};

struct TargetField {
    const char* label;
    int point;
    float CornerPoint::*axis;
};
constexpr TargetField kTargetFields[] = {
    {"TL x", 0, &CornerPoint::x}, {"TL y", 0, &CornerPoint::y}, {"TR x", 1, &CornerPoint::x},
    {"TR y", 1, &CornerPoint::y}, {"BL x", 2, &CornerPoint::x}, {"BL y", 2, &CornerPoint::y},
    {"BR x", 3, &CornerPoint::x}, {"BR y", 3, &CornerPoint::y}};
constexpr int kFieldsPerRow = 4;

constexpr const char* kPictureLabel = "Imagem da camera";
constexpr float kTargetPickRadius = 20.0f; // panel pixels
constexpr float kHandleRadius = 5.0f;
// The picture fills the panel's width, but no higher than this, so the fields and the button stay in view.
constexpr float kMostPictureHeight = 300.0f;
constexpr float kDeviceListWidth = 250.0f;
constexpr float kTargetFieldWidth = 60.0f;
constexpr float kButtonHeight = 30.0f;
const ImU32 kTargetColour = IM_COL32(255, 200, 0, 255);
const ImU32 kDraggedColour = IM_COL32(255, 80, 40, 255);

struct CameraPanel {
    int draggedPoint = -1; // the target's point under the mouse since the press, -1: none
    bool dragMoved = false;
};

CameraPanel panel;

// The list of devices; false, with a line that says so, when there is none.
bool drawDeviceChoice()
{
    const std::vector<std::string>& names = cameraNames();
    if (names.empty()) {
        reportedText("Nenhuma camera encontrada");
        return false;
    }
    std::string items;
    for (const std::string& name : names)
        items += name + '\0';
    items += '\0';
    // The camera opened for a device not listed, or for none, is the first listed.
    const auto listed = std::find(names.begin(), names.end(), app.cameraSettings.device);
    const int shown = listed == names.end() ? 0 : static_cast<int>(listed - names.begin());
    int choice = shown;
    ImGui::SetNextItemWidth(kDeviceListWidth);
    if (comboList("Dispositivo", &choice, items.c_str()) && choice != shown && choice >= 0 &&
        choice < static_cast<int>(names.size()))
        chooseCameraDevice(names[static_cast<std::size_t>(choice)]);
    return true;
}

// Where the picture lies in the panel: its top left and how many panel pixels a camera pixel takes.
struct PictureFit {
    ImVec2 origin;
    float scale = 1.0f;
    ImVec2 at(const CornerPoint& point) const { return {origin.x + point.x * scale, origin.y + point.y * scale}; }
};

// The press on the picture takes the target's point nearest it within the pick radius; the drag moves it
// within the picture, and its end saves it.
void dragTarget(const PictureFit& fit, const Target& shown)
{
    const ImVec2 mouse = ImGui::GetIO().MousePos;
    if (ImGui::IsItemActivated()) {
        panel.draggedPoint = -1;
        panel.dragMoved = false;
        float nearest = kTargetPickRadius;
        for (int i = 0; i < 4; ++i) {
            const ImVec2 at = fit.at(shown[static_cast<std::size_t>(i)]);
            const float distance = std::hypot(at.x - mouse.x, at.y - mouse.y);
            if (distance <= nearest) {
                nearest = distance;
                panel.draggedPoint = i;
            }
        }
    }
    if (panel.draggedPoint < 0)
        return;
    if (ImGui::IsItemActive()) {
        const auto width = static_cast<float>(app.cameraFrame.width), height = static_cast<float>(app.cameraFrame.height);
        const CornerPoint moved{std::clamp((mouse.x - fit.origin.x) / fit.scale, 0.0f, width),
                                std::clamp((mouse.y - fit.origin.y) / fit.scale, 0.0f, height)};
        if (moved != shown[static_cast<std::size_t>(panel.draggedPoint)]) {
            Target target = shown;
            target[static_cast<std::size_t>(panel.draggedPoint)] = moved;
            app.cameraSettings.target = target;
            panel.dragMoved = true;
        }
    }
    if (ImGui::IsItemDeactivated()) {
        if (panel.dragMoved && app.cameraSettings.target)
            chooseCameraTarget(*app.cameraSettings.target);
        panel.draggedPoint = -1;
    }
}

// The outline, a handle and a label per point, clipped to the picture; each handle in the layout report.
void drawTargetOver(const PictureFit& fit, const ImVec2& end, const Target& target)
{
    ImDrawList& list = *ImGui::GetWindowDrawList();
    list.PushClipRect(fit.origin, end, true);
    for (int i = 0; i < 4; ++i)
        list.AddLine(fit.at(target[static_cast<std::size_t>(kOutlineOrder[i])]),
                     fit.at(target[static_cast<std::size_t>(kOutlineOrder[(i + 1) % 4])]), kTargetColour, 2.0f);
    for (int i = 0; i < 4; ++i) {
        const ImVec2 at = fit.at(target[static_cast<std::size_t>(i)]);
        list.AddCircleFilled(at, kHandleRadius, i == panel.draggedPoint ? kDraggedColour : kTargetColour);
        list.AddText(ImVec2(at.x + kHandleRadius + 2.0f, at.y + kHandleRadius), kTargetColour, kPointLabels[i]);
        reportItem(kPointLabels[i], ImVec2(at.x - kHandleRadius, at.y - kHandleRadius),
                   ImVec2(at.x + kHandleRadius, at.y + kHandleRadius));
    }
    list.PopClipRect();
}

// The newest frame across the panel's width, keeping its shape, with the target over it.
void drawPicture()
{
    const CameraFrame& frame = app.cameraFrame;
    ID3D11ShaderResourceView* picture =
        app.renderer ? app.renderer->cameraPicture(static_cast<UINT>(std::max(frame.width, 0)),
                                                   static_cast<UINT>(std::max(frame.height, 0)), frame.pixels,
                                                   frame.number)
                     : nullptr;
    const auto target = cameraTargetInUse();
    if (!picture || !target) {
        reportedText("Sem imagem da camera");
        return;
    }
    const auto width = static_cast<float>(frame.width), height = static_cast<float>(frame.height);
    const float scale = std::min(ImGui::GetContentRegionAvail().x / width, kMostPictureHeight / height);
    const ImVec2 size(width * scale, height * scale);
    // A panel too narrow for a pixel of it has no room for the picture, and the invisible button needs one.
    if (size.x < 1.0f || size.y < 1.0f)
        return;
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    ImGui::Image(reinterpret_cast<ImTextureID>(picture), size);
    // An invisible button over the picture takes the mouse for the drag.
    ImGui::SetCursorScreenPos(origin);
    ImGui::InvisibleButton(kPictureLabel, size);
    reportItem(kPictureLabel, ImGui::GetItemRectMin(), ImGui::GetItemRectMax());
    const PictureFit fit{origin, scale};
    dragTarget(fit, *target);
    drawTargetOver(fit, ImVec2(origin.x + size.x, origin.y + size.y), cameraTargetInUse().value_or(*target));
}

// The target's eight numbers; greyed out while there is neither a marked target nor a picture to place the
// default on.
void drawTargetFields()
{
    const auto shown = cameraTargetInUse();
    ImGui::BeginDisabled(!shown);
    int inRow = 0;
    for (const TargetField& field : kTargetFields) {
        if (inRow++ % kFieldsPerRow != 0)
            ImGui::SameLine();
        Target typed = shown.value_or(Target{});
        float& value = typed[static_cast<std::size_t>(field.point)].*field.axis;
        ImGui::SetNextItemWidth(kTargetFieldWidth);
        if (ImGui::InputFloat(field.label, &value, 0.0f, 0.0f, "%.1f", 0) && shown && std::isfinite(value))
            chooseCameraTarget(typed);
    }
    ImGui::EndDisabled();
}

void drawAlignment()
{
    const bool running = cameraAlignmentRunning();
    ImGui::BeginDisabled(running);
    if (ImGui::Button("ALINHAR COM A CAMERA", ImVec2(-1.0f, kButtonHeight)) && !running)
        chooseCameraAlignment();
    ImGui::EndDisabled();
    if (running)
        reportedText("Alinhando...");
    else if (!app.alignmentMessage.empty())
        reportedText(app.alignmentMessage.c_str());
}

} // namespace

void drawCameraTab()
{
    const bool listed = drawDeviceChoice();
    if (const std::string& problem = cameraProblemLine(); !problem.empty())
        reportedText(problem.c_str());
    else if (listed)
        drawPicture();
    ImGui::TextUnformatted("Alvo (pixels da camera)");
    drawTargetFields();
    ImGui::Separator();
    drawAlignment();
}

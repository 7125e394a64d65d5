// The edited output's part of the picture and edge blend, field by field. A typed value is taken only
// when it is finite and keeps every value within its range; otherwise the output stays as it was.
#include "panel/picture_sections.h"

#include <imgui.h>

#include <cmath>
#include <string>

#include "app/app_state.h"
#include "app/operator_actions.h"
#include "panel/combo_list.h"

namespace {

constexpr float kLookFieldWidth = 55.0f;
constexpr float kOutputListWidth = 90.0f;

template <typename Values>
struct LookField {
    const char* label;
    float Values::*member;
};

constexpr LookField<SourceRect> kSourceFields[] = {
    {"Esq", &SourceRect::left}, {"Sup", &SourceRect::top}, {"Dir", &SourceRect::right}, {"Inf", &SourceRect::bottom}};
constexpr LookField<EdgeBlend> kBlendWidthFields[] = {
    {"Esq", &EdgeBlend::left}, {"Dir", &EdgeBlend::right}, {"Sup", &EdgeBlend::top}, {"Inf", &EdgeBlend::bottom}};
constexpr LookField<EdgeBlend> kBlendShapeFields[] = {
    {"Curva", &EdgeBlend::curve}, {"Gama", &EdgeBlend::gamma}, {"Preto", &EdgeBlend::blackLevel}};
constexpr LookField<ColorMatch> kToneFields[] = {
    {"Brilho", &ColorMatch::brightness}, {"Contraste", &ColorMatch::contrast}, {"Gama", &ColorMatch::gamma}};
constexpr LookField<ColorMatch> kGainFields[] = {
    {"Vermelho", &ColorMatch::red}, {"Verde", &ColorMatch::green}, {"Azul", &ColorMatch::blue}};

// One row of fields of `values`, under the section's name, which is also the hidden part of each field's
// label (the two sections share field names); `choose` gets the values with a typed one.
template <typename Values, std::size_t Count, typename Choose>
void drawFieldRow(const char* section, const Values& values, const LookField<Values> (&fields)[Count], Choose choose)
{
    for (std::size_t index = 0; index < Count; ++index) {
        if (index > 0)
            ImGui::SameLine();
        ImGui::SetNextItemWidth(kLookFieldWidth);
        Values typed = values;
        const std::string label = std::string(fields[index].label) + "##" + section;
        if (ImGui::InputFloat(label.c_str(), &(typed.*fields[index].member), 0.0f, 0.0f, "%.3f", 0) &&
            std::isfinite(typed.*fields[index].member))
            choose(typed);
    }
}

} // namespace

void drawEditedOutputChoice()
{
    const std::size_t count = app.outputs.size();
    if (const auto output = pickedEntry("Saida editada", "Saida", count, app.editedOutput, kOutputListWidth))
        chooseEditedOutput(*output);
}

void drawSourceSection()
{
    ImGui::TextUnformatted("Recorte");
    drawFieldRow("Recorte", editedOutput().editedSurface().source, kSourceFields, [](const SourceRect& typed) { chooseSource(typed); });
}

void drawBlendSection()
{
    ImGui::TextUnformatted("Mistura");
    const EdgeBlend blend = editedOutput().editedSurface().blend;
    const auto choose = [](const EdgeBlend& typed) { chooseBlend(typed); };
    drawFieldRow("Mistura", blend, kBlendWidthFields, choose);
    drawFieldRow("Mistura", blend, kBlendShapeFields, choose);
}

void drawColorSection()
{
    ImGui::TextUnformatted("Cor");
    const ColorMatch color = editedOutput().values.color;
    const auto choose = [](const ColorMatch& typed) { chooseColor(typed); };
    drawFieldRow("Cor", color, kToneFields, choose);
    drawFieldRow("Cor", color, kGainFields, choose);
    if (ImGui::Button("RESETAR COR") && color != ColorMatch{})
        chooseColor(ColorMatch{});
}

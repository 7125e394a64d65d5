// The undo history and the rules of saved setups, on plain values.
#include <gtest/gtest.h>

#include <string>

#include "settings/edit_history.h"
#include "settings/preset_rules.h"

namespace {

// A calibration told apart by its first corner's x.
Calibration calibrationAt(float x)
{
    Calibration calibration(1);
    calibration.front().surfaces.front().corners[0].x = x;
    return calibration;
}

float firstX(const std::optional<Calibration>& calibration)
{
    return calibration ? calibration->front().surfaces.front().corners[0].x : -99.0f;
}

} // namespace

TEST(EditHistory, StepsUndoAndRedoInOrderAndANewChangeDropsWhatCouldBeRedone)
{
    EditHistory history;
    history.start(calibrationAt(0));
    EXPECT_FALSE(history.record(calibrationAt(0))) << "no change, no step";
    EXPECT_FALSE(history.canUndo());
    history.record(calibrationAt(1));
    history.record(calibrationAt(2));
    EXPECT_EQ(firstX(history.undo()), 1);
    EXPECT_EQ(firstX(history.undo()), 0);
    EXPECT_FALSE(history.undo());
    EXPECT_EQ(firstX(history.redo()), 1);
    history.record(calibrationAt(5));
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(firstX(history.undo()), 1);
    EXPECT_EQ(firstX(history.redo()), 5);
    EXPECT_FALSE(history.redo());
}

TEST(EditHistory, ChangesWithOneKeyInARowAreOneStepUntilAnotherStepOrAnUndoComesBetween)
{
    const StepKey nudge{StepKey::Kind::Nudge, 0, 0, 3};
    const StepKey otherPoint{StepKey::Kind::Nudge, 0, 0, 1};
    EditHistory history;
    history.start(calibrationAt(0));
    history.record(calibrationAt(1), nudge);
    history.record(calibrationAt(2), nudge);
    history.record(calibrationAt(3), otherPoint);
    history.record(calibrationAt(4), otherPoint);
    EXPECT_EQ(history.undoCount(), 2u);
    EXPECT_EQ(firstX(history.undo()), 2);
    // After an undo the same key starts a step of its own.
    history.record(calibrationAt(7), nudge);
    history.record(calibrationAt(8), nudge);
    EXPECT_EQ(firstX(history.undo()), 2);
    EXPECT_EQ(firstX(history.undo()), 0);
}

TEST(EditHistory, KeepsTheNewestStepsUpToItsLimit)
{
    EditHistory history;
    history.start(calibrationAt(0));
    const auto steps = static_cast<int>(EditHistory::kMostSteps) + 20;
    for (int step = 1; step <= steps; ++step)
        history.record(calibrationAt(static_cast<float>(step)));
    EXPECT_EQ(history.undoCount(), EditHistory::kMostSteps);
    std::optional<Calibration> oldest;
    while (auto undone = history.undo())
        oldest = undone;
    EXPECT_EQ(firstX(oldest), 20);
}

TEST(PresetRules, NamesAreLettersDigitsSpacesDashesAndUnderscoresAndNeverADevice)
{
    for (const char* taken : {"Palco A", "palco_2-final", "Apresentação", "Ñandú", "Ærøskøbing", " com espaço ", "CONSOLE",
                              "COM10", "nul_1", "x"})
        EXPECT_EQ(presetNameFault(taken), PresetNameFault::None) << taken;
    EXPECT_EQ(presetNameFault(std::string(64, 'a')), PresetNameFault::None);
    // 64 accented characters are 128 bytes: the limit counts characters.
    std::string accented;
    for (int i = 0; i < 64; ++i)
        accented += "é";
    EXPECT_EQ(presetNameFault(accented), PresetNameFault::None);

    EXPECT_EQ(presetNameFault(""), PresetNameFault::Empty);
    EXPECT_EQ(presetNameFault(std::string(65, 'a')), PresetNameFault::TooLong);
    EXPECT_EQ(presetNameFault(accented + "é"), PresetNameFault::TooLong);
    EXPECT_EQ(presetNameFault("   "), PresetNameFault::OnlySpaces);
    for (const char* refused : {"a/b", "a\\b", "..", "a.b", "c:x", "a*", "a?", "x\"", "<a>", "a|b", "tab\there", "€uro", "a×b",
                                "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"})
        EXPECT_EQ(presetNameFault(refused), PresetNameFault::Character) << refused;
    EXPECT_EQ(presetNameFault(std::string("nul\0x", 5)), PresetNameFault::Character);
    for (const char* device : {"CON", "con", "Prn", "AUX", "NUL", "COM1", "com9", "LPT0", "lpt5", " nul ", "COM0"})
        EXPECT_EQ(presetNameFault(device), PresetNameFault::Reserved) << device;
}

TEST(PresetRules, AFileLoadsOnlyWhenItReadsWholeAndGivesItsOutputs)
{
    SettingsValues values;
    values.outputs.front().surfaces.front().corners[2] = {-0.5f, -0.5f};
    values.outputs.push_back(values.outputs.front());
    values.outputs.back().outputMonitor = 2;
    const auto read = readPresetText(settingsFileBytes(values));
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, values.outputs);

    for (const char* damaged : {"", "{\"corners\": [1, 2", "[]", "{\"corners\": \"here\"}", "{\"adapterIdx\": \"0\"}",
                                "{\"mesh\": {\"columns\": 3}}", "{\"blend\": {\"left\": 2}}", "{\"masks\": [{\"points\": []}]}",
                                "{\"extraOutputs\": [7]}", "{\"startWithWindows\": 1}"})
        EXPECT_FALSE(readPresetText(damaged)) << damaged;
    // What a file of today leaves out takes its default, as config.json does.
    const auto sparse = readPresetText("{\"outputMonitor\": 2}");
    ASSERT_TRUE(sparse);
    EXPECT_EQ(sparse->front().outputMonitor, 2);
}

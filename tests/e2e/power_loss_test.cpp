// Power loss in the middle of a save: the process is killed (SIGKILL) at random moments while it saves
// over and over; config.json must always be complete and hold one of the two saved versions.
#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "app_folder.h"
#include "process.h"
#include "program_test.h"
#include "settings/settings_text.h"

using namespace harness;

namespace {

std::string bytesOf(const CornerSet& corners)
{
    SettingsValues values;
    values.outputs[0].surfaces[0].corners = corners;
    return settingsFileBytes(values);
}

class PowerLoss : public e2e::ProgramTest<> {};

} // namespace

TEST_F(PowerLoss, KilledMidSaveLeavesTheOldOrTheNewFileNeverAMixture)
{
    const std::string first = bytesOf({{{-0.9f, 0.9f}, {0.9f, 0.9f}, {-0.9f, -0.9f}, {0.9f, -0.9f}}});
    const std::string second = bytesOf({{{-0.25f, 0.5f}, {0.75f, 0.125f}, {-1.5f, -0.5f}, {2.0f, -1.0f}}});
    AppFolder folder;
    std::mt19937 random(42);
    std::uniform_int_distribution<int> delay(250, 650);
    int sawFirst = 0, sawSecond = 0;
    for (int kill = 0; kill < 200; ++kill) {
        {
            ChildProcess saver({"wine", windowsBuildPath("tests/save_loop.exe")}, wine_->environment(), folder.path(),
                               folder.elsewhere() + "/../save-output.txt");
            std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
        } // killed here, wherever it is
        const auto config = folder.readFile("config.json");
        if (!config)
            continue; // killed before its first save
        ASSERT_TRUE(*config == first || *config == second)
            << "after kill " << kill << " config.json holds " << config->size() << " bytes:\n" << *config;
        (*config == first ? sawFirst : sawSecond)++;
    }
    EXPECT_GT(sawFirst + sawSecond, 150) << "most kills must land after saving began";
    EXPECT_GT(sawFirst, 10);
    EXPECT_GT(sawSecond, 10);
}

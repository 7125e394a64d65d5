// The control panel driven like an operator would: real clicks and typed keys through the X server,
// widgets found where the panel reports they are. Shared by the panel's suites.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "app_folder.h"
#include "ostrel_process.h"
#include "program_test.h"
#include "virtual_display.h"
#include "wine_session.h"

namespace e2e {

using namespace harness;

constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint64_t kOpenPanelCommand = 2001;
inline const ScreenRect kFirstMonitor{0, 0, 1024, 768};
inline const ScreenRect kSecondMonitor{1024, 0, 1824, 600};
inline const ScreenRect kThirdMonitor{1824, 0, 2624, 600};
inline const char* kRunKey = R"(HKCU\Software\Microsoft\Windows\CurrentVersion\Run)";

struct Box {
    float left, top, right, bottom;
};

// "name|left top right bottom" lines, in the control window's client pixels.
inline std::map<std::string, Box> parseLayout(const std::string& text)
{
    std::map<std::string, Box> layout;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto bar = line.find('|');
        if (bar == std::string::npos)
            continue;
        Box box{};
        std::istringstream(line.substr(bar + 1)) >> box.left >> box.top >> box.right >> box.bottom;
        layout[line.substr(0, bar)] = box;
    }
    return layout;
}

// Three monitors, so that the projection can move to a monitor that is not the captured one.
class Panel : public e2e::ProgramTest<&MonitorLayout::threeMonitors> {
protected:
    // Fields are typed key by key: on a loaded machine a key held over two slow passes would repeat
    // ("nul" typed as "null", "-0.5" as "-0.55"), so the display repeats no key.
    void SetUp() override
    {
        ProgramTest::SetUp();
        if (display_)
            ASSERT_EQ(runCommand({"xset", "-display", display_->name(), "r", "off"}).exitCode, 0);
    }

    void startWithPanelOpen()
    {
        program_ = std::make_unique<OstrelProcess>(*wine_, folder_);
        ASSERT_TRUE(program_->waitUntilStarted()) << program_->output();
        openThePanel();
    }

    // The panel of the running program opened, in the foreground.
    void openThePanel()
    {
        ASSERT_TRUE(wine_->post("OstrelControl", WM_COMMAND, kOpenPanelCommand, 0));
        ASSERT_TRUE(eventually([&] { return layout().count("Monitoramento") == 1; })) << "the panel did not draw";
        // The panel's GUI knows where the cursor is once its window is in the foreground or has seen the
        // cursor move over it; a first click that races the activation can otherwise land nowhere.
        std::optional<Win32Window> control;
        ASSERT_TRUE(eventually([&] {
            control = wine_->window("OstrelControl");
            return control && control->visible && control->foreground;
        })) << "the panel did not come to the foreground";
        clientLeft_ = control->clientLeft;
        clientTop_ = control->clientTop;
    }

    std::map<std::string, Box> layout() const { return parseLayout(folder_.readFile("panel-layout.txt").value_or("")); }

    // Clicks the middle of a reported widget, waiting for it to be reported first.
    void clickWidget(const std::string& name)
    {
        std::map<std::string, Box> now;
        ASSERT_TRUE(eventually([&] {
            now = layout();
            return now.count(name) == 1;
        })) << "no widget " << name;
        const Box& box = now[name];
        ASSERT_TRUE(program_->click(clientLeft_ + static_cast<int>((box.left + box.right) / 2),
                                    clientTop_ + static_cast<int>((box.top + box.bottom) / 2)));
    }

    // Opens a combo list and picks entry `index` of its `count` entries; `height` receives the open
    // list's height.
    void pickEntry(const std::string& list, int index, int count, float* height = nullptr)
    {
        clickWidget(list);
        const std::string popup = list + " popup " + std::to_string(count);
        std::map<std::string, Box> now;
        ASSERT_TRUE(eventually([&] {
            now = layout();
            return now.count(popup) == 1;
        })) << "the list " << list << " did not open";
        // Where the popup is a few frames after its first, once it has settled.
        ASSERT_TRUE(program_->waitForPasses(3));
        now = layout();
        ASSERT_EQ(now.count(popup), 1u);
        const Box& box = now[popup];
        if (height)
            *height = box.bottom - box.top;
        // Entries are equal rows between the popup's vertical paddings.
        const float padding = 8.0f, spacing = 4.0f;
        const float pitch = (box.bottom - box.top - 2 * padding + spacing) / static_cast<float>(count);
        const float y = box.top + padding + pitch * static_cast<float>(index) + (pitch - spacing) / 2;
        ASSERT_TRUE(program_->click(clientLeft_ + static_cast<int>((box.left + box.right) / 2),
                                    clientTop_ + static_cast<int>(y)));
        ASSERT_TRUE(eventually([&] { return layout().count(popup) == 0; })) << "the list " << list << " stayed open";
    }

    // Replaces a field's text by typing, then leaves the field with Enter.
    void typeInto(const std::string& field, const std::string& text)
    {
        clickWidget(field);
        display_->pressKey("Control_L");
        ASSERT_TRUE(program_->tapKey("a"));
        display_->releaseKey("Control_L");
        ASSERT_TRUE(program_->waitForPasses(2));
        static const std::map<char, const char*> names = {{'-', "minus"}, {'.', "period"}, {' ', "space"}, {'_', "underscore"}, {'/', "slash"}};
        for (char c : text) {
            const auto named = names.find(c);
            const std::string key = named != names.end() ? named->second : std::string(1, c);
            ASSERT_TRUE(program_->tapKey(key.c_str()));
        }
        ASSERT_TRUE(program_->tapKey("Return"));
    }

    // Seen now and then under load: a tab's first click lost while Wine moved the foreground; a second
    // click, as an operator would give, finds the tab.
    void switchToTab(const std::string& tab, const std::string& widgetOfTab)
    {
        bool switched = false;
        for (int attempt = 0; attempt < 2 && !switched; ++attempt) {
            clickWidget(tab);
            switched = eventually([&] { return layout().count(widgetOfTab) == 1; }, 5s);
        }
        ASSERT_TRUE(switched) << folder_.readFile("panel-layout.txt").value_or("");
    }

    std::string config() const { return folder_.readFile("config.json").value_or(""); }
    std::string log() const { return folder_.readFile("debug.log").value_or(""); }

    AppFolder folder_{Program::LayoutProbe};
    std::unique_ptr<OstrelProcess> program_;
    int clientLeft_ = 0;
    int clientTop_ = 0;
};

inline std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t found = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

} // namespace e2e

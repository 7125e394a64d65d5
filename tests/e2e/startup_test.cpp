// Start-up of the real program under Wine: windows, placement, log lines, files beside the executable.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>
#include <regex>

#include "app_folder.h"
#include "program_test.h"
#include "ostrel_process.h"
#include "reference_warp.h"
#include "test_picture.h"
#include "virtual_display.h"
#include "wine_session.h"

using namespace harness;
using e2e::eventually;

namespace {

constexpr uint32_t WS_POPUP = 0x80000000, WS_VISIBLE = 0x10000000, WS_CLIPSIBLINGS = 0x04000000;
constexpr uint32_t WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr uint32_t WS_EX_TOPMOST = 0x8, WS_EX_TOOLWINDOW = 0x80, WS_EX_APPWINDOW = 0x40000;

const std::array<cv::Point2f, 4> kUnitQuad{{{-1, 1}, {1, 1}, {-1, -1}, {1, -1}}};

const std::string kNoProjectorLine = "[LOG] Iniciado sem projetor. Aguardando conexao do Monitor 2.";

// The capture engine's lines come first; Wine has no desktop duplication, so the switch to GDI is logged.
const std::vector<std::string> kCaptureLines = {
    "[INFO] CaptureEngine: Monitor 0 selecionado (1024x768)",
    "[WARN] DXGI indisponivel, usando BitBlt (Resolucao pode ser limitada pelo sistema)"};

const std::string kGridLine = "[LOG] Tentando carregar gradil: assets/gradil.png";
// With a projector shown, the first pass keeps the displays awake, and the end gives them back.
const std::string kAwakeLine = "[LOG] Tela e sistema mantidos ligados enquanto ha projecao";
const std::string kReleasedLine = "[LOG] Tela e sistema liberados: nenhuma projecao";

std::vector<std::string> startLines(bool withProjector)
{
    std::vector<std::string> lines = kCaptureLines;
    if (!withProjector)
        lines.push_back(kNoProjectorLine);
    lines.push_back(kGridLine);
    if (withProjector)
        lines.push_back(kAwakeLine);
    return lines;
}

// The lines of debug.log without their time prefix, after checking that each has one.
std::vector<std::string> logMessages(const std::string& log)
{
    static const std::regex line(R"(\[([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]\] (.*)\r\n)");
    std::vector<std::string> messages;
    auto at = log.cbegin();
    std::smatch match;
    while (at != log.cend()) {
        if (!std::regex_search(at, log.cend(), match, line, std::regex_constants::match_continuous)) {
            ADD_FAILURE() << "malformed log text: " << std::string(at, log.cend());
            break;
        }
        messages.push_back(match[2]);
        at = match[0].second;
    }
    return messages;
}

// Every test gets its own program folder.
template <MonitorLayout (*Layout)()>
class RunningProgram : public e2e::ProgramTest<Layout> {
protected:
    using e2e::ProgramTest<Layout>::display_;
    using e2e::ProgramTest<Layout>::wine_;

    // Starts the program and waits until both windows exist.
    std::unique_ptr<OstrelProcess> start()
    {
        auto program = std::make_unique<OstrelProcess>(*wine_, folder_);
        EXPECT_TRUE(program->waitUntilStarted()) << program->output();
        return program;
    }

    void expectCleanExit(OstrelProcess& program)
    {
        ASSERT_TRUE(program.running()) << program.output();
        program.requestExit();
        EXPECT_EQ(program.waitForExit(), 0) << program.output();
    }

    // The test build, which counts its passes: checks that nothing happens wait for passes, not for time.
    AppFolder folder_{Program::LayoutProbe};
};

using TwoMonitors = RunningProgram<&MonitorLayout::twoMonitors>;
using OneMonitor = RunningProgram<&MonitorLayout::oneMonitor>;

} // namespace

TEST_F(TwoMonitors, ProjectionCoversTheSecondMonitorTopMost)
{
    auto program = start();
    const auto projection = wine_->window("OstrelProj");
    ASSERT_TRUE(projection);
    EXPECT_EQ(projection->title, "Ostrel Projection");
    EXPECT_TRUE(projection->visible);
    EXPECT_EQ(projection->rect, (ScreenRect{1024, 0, 1824, 600}));
    EXPECT_EQ(projection->style & ~(WS_VISIBLE | WS_CLIPSIBLINGS), WS_POPUP);
    EXPECT_EQ(projection->exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW), WS_EX_TOPMOST | WS_EX_TOOLWINDOW);

    // The X server agrees: the window is mapped exactly over the second monitor.
    const auto onScreen = display_->findWindow("Ostrel Projection");
    ASSERT_TRUE(onScreen);
    EXPECT_TRUE(onScreen->viewable);
    EXPECT_EQ(onScreen->area, (ScreenRect{1024, 0, 1824, 600}));

    const auto control = wine_->window("OstrelControl");
    ASSERT_TRUE(control);
    EXPECT_EQ(control->title, "Ostrel Mapper 1.0");
    EXPECT_FALSE(control->visible) << "the panel starts hidden";
    // Tall enough for the surfaces and masks rows, and within a 768-pixel-high monitor.
    EXPECT_EQ(control->rect, (ScreenRect{100, 40, 540, 740}));
    EXPECT_EQ(control->style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_TRUE(control->exStyle & WS_EX_APPWINDOW);
    EXPECT_EQ(logMessages(folder_.readFile("debug.log").value_or("")), startLines(true));

    expectCleanExit(*program);
}

TEST_F(TwoMonitors, OutputMonitorZeroPutsTheProjectionOnTheFirst)
{
    folder_.writeFile("config.json", R"({"outputMonitor": 0})");
    auto program = start();
    const auto projection = wine_->window("OstrelProj");
    ASSERT_TRUE(projection);
    EXPECT_TRUE(projection->visible);
    EXPECT_EQ(projection->rect, (ScreenRect{0, 0, 1024, 768}));
    expectCleanExit(*program);
}

TEST_F(TwoMonitors, NothingIsWrittenAtStartOrExitAndFilesStayBesideTheExecutable)
{
    // Valid but unusual values, in a layout the program would not write: a save would change the bytes.
    const std::string stored = R"({"outputMonitor":1,"captureMonitor":0,"adapterIdx":0,"future":true})";
    folder_.writeFile("config.json", stored);
    auto program = start();
    ASSERT_TRUE(program->waitForPasses(e2e::kQuietPasses));
    expectCleanExit(*program);
    EXPECT_EQ(folder_.readFile("config.json"), stored);
    EXPECT_FALSE(folder_.exists("config.json.tmp"));
    EXPECT_FALSE(std::filesystem::exists(folder_.elsewhere() + "/config.json"));
    EXPECT_FALSE(std::filesystem::exists(folder_.elsewhere() + "/debug.log"));
}

TEST_F(TwoMonitors, OutputMonitorOutsideTheListMeansNoProjector)
{
    folder_.writeFile("config.json", R"({"outputMonitor": -1})");
    auto program = start();
    const auto projection = wine_->window("OstrelProj");
    ASSERT_TRUE(projection);
    EXPECT_FALSE(projection->visible);
    EXPECT_EQ(logMessages(folder_.readFile("debug.log").value_or("")), startLines(false));
    expectCleanExit(*program);
}

TEST_F(OneMonitor, DefaultsRunWithoutProjectorAndLogIt)
{
    auto program = start();
    const auto projection = wine_->window("OstrelProj");
    ASSERT_TRUE(projection);
    EXPECT_FALSE(projection->visible);
    const auto onScreen = display_->findWindow("Ostrel Projection");
    EXPECT_FALSE(onScreen && onScreen->viewable);

    // Still running many passes later, with only the line of the missing projector in its log.
    EXPECT_TRUE(program->waitForPasses(3 * e2e::kQuietPasses));
    EXPECT_TRUE(program->running());
    EXPECT_EQ(logMessages(folder_.readFile("debug.log").value_or("")), startLines(false));
    EXPECT_FALSE(folder_.exists("config.json")) << "no settings file until a change is saved";
    EXPECT_FALSE(std::filesystem::exists(folder_.elsewhere() + "/debug.log"));
    expectCleanExit(*program);
}

TEST_F(OneMonitor, LogLinesOfSuccessiveRunsFollowOneAnother)
{
    folder_.writeFile("debug.log", "[01:02:03] [LOG] from before\r\n");
    for (int run = 0; run < 2; ++run) {
        auto program = start();
        expectCleanExit(*program);
    }
    std::vector<std::string> expected{"[LOG] from before"};
    for (int run = 0; run < 2; ++run)
        for (const std::string& line : startLines(false))
            expected.push_back(line);
    EXPECT_EQ(logMessages(folder_.readFile("debug.log").value_or("")), expected);
}

namespace {

// The folder made read-only for real (root would write through a mere permission bit), for its lifetime.
class ReadOnlyMount {
public:
    explicit ReadOnlyMount(const std::string& folder) : folder_(folder)
    {
        mounted_ = runCommand({"mount", "--bind", folder_, folder_}).exitCode == 0;
        if (mounted_)
            readOnly_ = runCommand({"mount", "-o", "remount,bind,ro", folder_}).exitCode == 0;
    }
    ~ReadOnlyMount()
    {
        if (mounted_)
            runCommand({"umount", folder_});
    }
    bool active() const { return readOnly_; }

private:
    std::string folder_;
    bool mounted_ = false;
    bool readOnly_ = false;
};

} // namespace

TEST_F(OneMonitor, ReadOnlyFolderRunsNormallyAndWritesNothing)
{
    ReadOnlyMount readOnly(folder_.path());
    if (!readOnly.active())
        GTEST_SKIP() << "cannot make a read-only mount here (needs root)";
    auto program = start();
    EXPECT_TRUE(program->waitForPasses(e2e::kQuietPasses));
    EXPECT_TRUE(program->running());
    expectCleanExit(*program);
    EXPECT_FALSE(folder_.exists("debug.log"));
    EXPECT_FALSE(folder_.exists("config.json"));
}

namespace {

std::vector<std::string> withGridFallbacks(std::vector<std::string> lines)
{
    lines.insert(lines.begin(), kCaptureLines.begin(), kCaptureLines.end());
    lines.push_back(kAwakeLine);
    lines.push_back(kReleasedLine);
    return lines;
}

// The Windows path of a file in the app folder, as Wine's Z: drive shows it.
std::string windowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

} // namespace

TEST_F(TwoMonitors, GridJpegIsTheFallbackForAMissingPng)
{
    ASSERT_EQ(runCommand({"convert", folder_.path() + "/assets/gradil.png", folder_.path() + "/assets/gradil.jpg"})
                  .exitCode,
              0);
    folder_.remove("assets/gradil.png");
    auto program = start();
    expectCleanExit(*program);
    EXPECT_EQ(logMessages(folder_.readFile("debug.log").value_or("")),
              withGridFallbacks({kGridLine, "[LOG] Tentando fallback: assets/gradil.jpg"}));
}

TEST_F(TwoMonitors, ProceduralGridWhenNeitherImageLoadsAndBrokenPicturesAreSurvived)
{
    folder_.writeFile("assets/gradil.png", ""); // present but not an image
    folder_.remove("assets/logo.png");           // a missing logo is not logged
    const std::string tray = folder_.readFile("assets/logoBlack.png").value_or("");
    folder_.writeFile("assets/logoBlack.png", tray.substr(0, tray.size() / 2)); // truncated: the stock icon
    auto program = start();
    expectCleanExit(*program);
    EXPECT_EQ(logMessages(folder_.readFile("debug.log").value_or("")),
              withGridFallbacks({kGridLine, "[LOG] Tentando fallback: assets/gradil.jpg",
                                 "[LOG] Usando gradil procedural (fallback final)"}));
}

TEST_F(TwoMonitors, StartWithWindowsSettingRegistersTheQuotedPathAtEveryStart)
{
    folder_.writeFile("config.json", R"({"startWithWindows": true})");
    auto program = start();
    expectCleanExit(*program);
    const auto query = wine_->wine({"reg", "query", R"(HKCU\Software\Microsoft\Windows\CurrentVersion\Run)", "/v",
                                    "OstrelMapper"});
    const std::string expected = "\"" + windowsPath(folder_.exePath()) + "\"";
    EXPECT_NE(query.output.find("REG_SZ"), std::string::npos) << query.output;
    EXPECT_NE(query.output.find(expected), std::string::npos) << "expected " << expected << " in\n" << query.output;
}

TEST_F(TwoMonitors, SettingOffLeavesAnExistingRunValueAlone)
{
    const auto added = wine_->wine({"reg", "add", R"(HKCU\Software\Microsoft\Windows\CurrentVersion\Run)", "/v",
                                    "OstrelMapper", "/t", "REG_SZ", "/d", "elsewhere.exe", "/f"});
    ASSERT_EQ(added.exitCode, 0) << added.output;
    auto program = start();
    expectCleanExit(*program);
    const auto query = wine_->wine({"reg", "query", R"(HKCU\Software\Microsoft\Windows\CurrentVersion\Run)", "/v",
                                    "OstrelMapper"});
    EXPECT_NE(query.output.find("elsewhere.exe"), std::string::npos) << query.output;
}

TEST_F(TwoMonitors, SecondStartOpensTheRunningProgramsPanelAndEnds)
{
    auto first = start();
    const auto hidden = wine_->window("OstrelControl");
    ASSERT_TRUE(hidden);
    EXPECT_FALSE(hidden->visible);

    // Started again, from another copy in another folder (the Run value at log-on and a double click).
    AppFolder otherCopy;
    OstrelProcess second(*wine_, otherCopy);
    EXPECT_EQ(second.waitForExit(20s), 0) << second.output();
    EXPECT_TRUE(e2e::eventually([&] {
        const auto control = wine_->window("OstrelControl");
        return control && control->visible;
    })) << "the running program did not open its panel";
    EXPECT_TRUE(first->running());
    EXPECT_FALSE(otherCopy.exists("debug.log")) << "the second start touched nothing";
    EXPECT_FALSE(otherCopy.exists("config.json"));
    expectCleanExit(*first);
}

// While a projector shows the picture the program asks Windows to keep the displays and the system on, and
// gives that back when no projector is left: Wine records each request it is given.
TEST_F(TwoMonitors, TheDisplaysAreKeptAwakeWhileAProjectorShowsThePictureAndGivenBackWhenNoneDoes)
{
    OstrelProcess program(*wine_, folder_, "-all,warn+ntdll");
    ASSERT_TRUE(program.waitUntilStarted()) << program.output();
    const auto requests = [&](const std::string& state) {
        const std::string traced = program.output();
        const std::string call = "NtSetThreadExecutionState (" + state;
        int found = 0;
        for (auto at = traced.find(call); at != std::string::npos; at = traced.find(call, at + 1))
            ++found;
        return found;
    };
    // ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED, then ES_CONTINUOUS alone.
    EXPECT_TRUE(eventually([&] { return requests("0x80000003") == 1; })) << program.output();
    EXPECT_EQ(requests("0x80000000,"), 0);

    display_->removeMonitor(1);
    const std::shared_ptr<void> restore(nullptr, [&](void*) {
        display_->plugMonitorBackIn(1);
        wine_->followDisplays();
    });
    ASSERT_TRUE(wine_->followDisplays());
    EXPECT_TRUE(eventually([&] { return requests("0x80000000,") == 1; })) << "not given back without a projector";
    display_->plugMonitorBackIn(1);
    ASSERT_TRUE(wine_->followDisplays());
    EXPECT_TRUE(eventually([&] { return requests("0x80000003") == 2; })) << "not asked again for the projector";
    expectCleanExit(program);
    EXPECT_EQ(requests("0x80000000,"), 2) << "not given back at the end";
    const std::vector<std::string> said = logMessages(folder_.readFile("debug.log").value_or(""));
    EXPECT_EQ(std::count(said.begin(), said.end(), kAwakeLine), 2);
    EXPECT_EQ(std::count(said.begin(), said.end(), kReleasedLine), 2);
}

namespace {

// Wine's Direct3D limited to shader model `model` for this suite's prefix while it lives: 4 gives a card of
// feature level 10_1, 3 one below 10_0.
class ShaderModelCap {
public:
    ShaderModelCap(const WineSession& wine, int model) : wine_(wine)
    {
        for (const char* stage : kStages)
            wine_.wine({"reg", "add", kKey, "/v", std::string("MaxShaderModel") + stage, "/t", "REG_DWORD", "/d",
                        std::to_string(model), "/f"});
    }
    ~ShaderModelCap()
    {
        for (const char* stage : kStages)
            wine_.wine({"reg", "delete", kKey, "/v", std::string("MaxShaderModel") + stage, "/f"});
    }

private:
    static constexpr const char* kKey = R"(HKCU\Software\Wine\Direct3D)";
    static constexpr const char* kStages[] = {"VS", "PS", "GS", "HS", "DS", "CS"};
    const WineSession& wine_;
};

} // namespace

// The shaders are model 4.0: a card of feature level 10 projects. Without a usable device at all the
// operator is told why in a message box, and the program ends with a failure code.
TEST_F(TwoMonitors, ACardOfLevelTenProjectsAndWithoutAUsableDeviceTheOperatorIsToldWhy)
{
    TestPicture picture(display_->x(), {0, 0, 1024, 768});
    picture.draw(0.4);
    {
        const ShaderModelCap level10(*wine_, 4);
        auto program = start();
        picture.draw(0.4);
        Difference difference;
        EXPECT_TRUE(showsReference(*display_, {1024, 0, 1824, 600},
                                   referenceWarp(testPictureImage(1024, 768, 0.4), kUnitQuad, cv::Size(800, 600)),
                                   difference))
            << difference.mean;
        EXPECT_NE(folder_.readFile("debug.log").value_or("").find("[LOG] Placa grafica no nivel Direct3D 10_1"),
                  std::string::npos);
        expectCleanExit(*program);
    }
    const ShaderModelCap level9(*wine_, 3);
    OstrelProcess program(*wine_, folder_);
    ASSERT_TRUE(eventually([&] {
        const auto box = wine_->window("#32770|Ostrel Mapper");
        return box && box->visible;
    })) << "no message box: " << program.output();
    const std::string log = folder_.readFile("debug.log").value_or("");
    EXPECT_NE(log.find("[WARN] Inicio interrompido: Falha ao criar o dispositivo Direct3D 11 (nivel 10_0 ou superior)"),
              std::string::npos)
        << log;
    EXPECT_TRUE(program.running()) << "ended before the operator read why";
    constexpr uint32_t WM_COMMAND = 0x0111, IDOK = 1;
    ASSERT_TRUE(wine_->post("#32770|Ostrel Mapper", WM_COMMAND, IDOK, 0));
    EXPECT_EQ(program.waitForExit(), 1);
}

// The release a Windows user downloads: what the zip holds, the program unzipped into a fresh folder
// and run in a Wine prefix that has never seen it, doing its job, and the installer of the same files.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <opencv2/core.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "app_folder.h"
#include "ostrel_process.h"
#include "process.h"
#include "program_test.h"
#include "reference_warp.h"
#include "test_picture.h"

using namespace harness;
using e2e::eventually;

namespace {

namespace fs = std::filesystem;

const ScreenRect kFirstMonitor{0, 0, 1024, 768};
const ScreenRect kSecondMonitor{1024, 0, 1824, 600};
const std::array<cv::Point2f, 4> kKeystone{{{-0.7f, 0.9f}, {0.8f, 0.7f}, {-0.9f, -0.9f}, {0.9f, -0.6f}}};

class ReleasePackage : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        display_ = new VirtualDisplay(MonitorLayout::twoMonitors());
        wine_ = new WineSession(*display_, WinePrefix::New);
    }
    static void TearDownTestSuite()
    {
        delete wine_;
        delete display_;
    }

    static inline VirtualDisplay* display_ = nullptr;
    static inline WineSession* wine_ = nullptr;
};

std::set<std::string> zipEntries()
{
    const auto listing = runCommand({"unzip", "-Z1", packagePath()});
    EXPECT_EQ(listing.exitCode, 0) << listing.output;
    std::set<std::string> entries;
    std::istringstream lines(listing.output);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            entries.insert(line);
    return entries;
}

} // namespace

TEST(ReleaseZip, HoldsTheStandaloneProgramItsPicturesAndAReadMe)
{
    const std::set<std::string> expected{"ostrel.exe",      "assets/",          "assets/gradil.png",
                                         "assets/logo.png", "assets/logoBlack.png", "LEIA-ME.txt"};
    EXPECT_EQ(zipEntries(), expected);

    AppFolder folder(Program::Package);
    // A Windows machine has no MinGW runtime: the program must not need one.
    const std::string exe = folder.readFile("ostrel.exe").value_or("");
    ASSERT_GT(exe.size(), 1000u);
    EXPECT_EQ(exe.substr(0, 2), "MZ");
    for (const char* runtime : {"libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll"})
        EXPECT_EQ(exe.find(runtime), std::string::npos) << runtime;
    // Its manifest lets it run from folders longer than 260 characters.
    EXPECT_NE(exe.find("<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true</longPathAware>"),
              std::string::npos);

    // The read-me opens cleanly in Notepad and tells what an operator needs.
    const std::string readMe = folder.readFile("LEIA-ME.txt").value_or("");
    ASSERT_FALSE(readMe.empty());
    long lines = 0, bareLineEnds = 0;
    for (std::size_t i = 0; i < readMe.size(); ++i)
        if (readMe[i] == '\n') {
            ++lines;
            bareLineEnds += (i == 0 || readMe[i - 1] != '\r') ? 1 : 0;
        }
    EXPECT_GT(lines, 20);
    EXPECT_EQ(bareLineEnds, 0) << "every line ends in CR LF";
    for (const char* topic : {"Captura", "Saida", "INICIAR COM O WINDOWS", "EXIBIR GRADIL", "Numeros 1 a 4",
                              "Colunas", "Linhas", "ZERAR MALHA", "Ponto selecionado", "Tab", "Setas", "Shift",
                              "ADICIONAR SAIDA", "REMOVER", "Saida editada", "Recorte", "Mistura",
                              "Superficie editada", "ADICIONAR MASCARA", "Suavizar", "Inverter", "DESFAZER", "Ctrl + Z",
                              "Configuracoes", "SALVAR", "CARREGAR", "presets", "TELA PRETA", "CONGELAR", "Padrao", "Cor",
                              "OSC", "ALINHAR COM A CAMERA", "config.json",
                              "debug.log"})
        EXPECT_NE(readMe.find(topic), std::string::npos) << topic;
}

TEST_F(ReleasePackage, UnzippedInAFreshPrefixItProjectsTheWarpedPicture)
{
    AppFolder folder(Program::Package);
    folder.writeFile("config.json",
                     R"({"corners":)" + cornersJson(kKeystone) + R"(,"captureMonitor":0,"outputMonitor":1})");

    TestPicture picture(display_->x(), kFirstMonitor);
    picture.draw(0.4);
    OstrelProcess program(*wine_, folder);
    ASSERT_TRUE(program.waitUntilStarted()) << program.output();
    picture.draw(0.4);

    Difference difference;
    EXPECT_TRUE(showsReference(*display_, kSecondMonitor,
                               referenceWarp(testPictureImage(1024, 768, 0.4), kKeystone,
                                             cv::Size(kSecondMonitor.width(), kSecondMonitor.height())),
                               difference))
        << "mean difference per channel (B, G, R): " << difference.mean << " over " << difference.comparedPixels;
    // The grid came from the unzipped assets, and the log lies beside the program.
    const std::string log = folder.readFile("debug.log").value_or("");
    EXPECT_NE(log.find("[LOG] Tentando carregar gradil: assets/gradil.png"), std::string::npos) << log;
    EXPECT_EQ(log.find("gradil.jpg"), std::string::npos) << log;

    program.requestExit();
    EXPECT_EQ(program.waitForExit(), 0) << program.output();
}

TEST_F(ReleasePackage, SilentSetupInstallsStartsUpdatesAndUninstallsKeepingTheOperatorsFiles)
{
    // Wine names a user's profile after the Unix user.
    const std::string user = getpwuid(getuid())->pw_name, profile = wine_->prefix() + "/drive_c/users/" + user;
    const std::string folder = "C:\\users\\" + user + "\\AppData\\Local\\Programs\\Ostrel Mapper";
    const std::string exe = folder + "\\ostrel.exe", unixFolder = profile + "/AppData/Local/Programs/Ostrel Mapper";
    const std::string shortcut = profile + "/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Ostrel Mapper.lnk";
    const std::string uninstallKey = R"(HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\OstrelMapper)";
    const std::string runKey = R"(HKCU\Software\Microsoft\Windows\CurrentVersion\Run)";
    const auto file = [&](const std::string& name) { return readWholeFile(unixFolder + "/" + name); };
    const auto runs = [&](const std::string& commandLine) {
        for (pid_t pid : processesWithVariable("WINEPREFIX", wine_->prefix()))
            if (commandLineOf(pid).find(commandLine) != std::string::npos)
                return true;
        return false;
    };

    const auto installed = wine_->wine({setupPath(), "/S"}, 120s);
    ASSERT_EQ(installed.exitCode, 0) << installed.output;
    AppFolder zip(Program::Package);
    for (const char* name : {"ostrel.exe", "LEIA-ME.txt", "assets/gradil.png", "assets/logo.png", "assets/logoBlack.png"})
        EXPECT_TRUE(file(name) && file(name) == zip.readFile(name)) << name;
    EXPECT_NE(readWholeFile(shortcut).value_or("").find("ostrel.exe"), std::string::npos) << shortcut;
    const auto entry = wine_->wine({"reg", "query", uninstallKey});
    for (const std::string& value : std::vector<std::string>{"DisplayName    REG_SZ    Ostrel Mapper",
             "\"" + folder + "\\uninst.exe\" /S", "InstallLocation    REG_SZ    " + folder, "DisplayVersion    REG_SZ    1.0"})
        EXPECT_NE(entry.output.find(value), std::string::npos) << value << " in\n" << entry.output;
    ASSERT_TRUE(eventually([&] { return runs(exe); }, 30s) && wine_->waitForWindow("OstrelControl"))
        << "a silent install ends with the program running";

    // What the operator made; then the update, with a copy running that it must end through its window.
    wine_->post("OstrelControl", 0x0111, 2003, 0);
    ASSERT_TRUE(eventually([&] { return !runs(exe); }, 20s));
    const std::string config = R"({"corners":)" + cornersJson(kKeystone) + R"(,"captureMonitor":0,"outputMonitor":1})";
    const std::string preset = R"({"corners":)" + cornersJson(kKeystone) + "}", log = "[00:00:00] [LOG] antes\r\n";
    fs::create_directories(unixFolder + "/presets");
    std::ofstream(unixFolder + "/config.json", std::ios::binary) << config;
    std::ofstream(unixFolder + "/presets/Palco A.json", std::ios::binary) << preset;
    std::ofstream(unixFolder + "/debug.log", std::ios::binary) << log;
    const auto kept = [&] {
        return file("config.json") == config && file("presets/Palco A.json") == preset &&
               file("debug.log").value_or("").rfind(log, 0) == 0; // the program goes on with its log
    };
    {
        // Started in its folder as the shortcut starts it, through start.exe, which ends with its Windows exit
        // code: a Wine process that another one ends exits with 0 itself.
        ChildProcess running({"wine", "start", "/wait", "/d", folder, "ostrel.exe"}, wine_->environment(),
                             zip.elsewhere(), zip.elsewhere() + "/wine-output.txt");
        ASSERT_TRUE(wine_->waitForWindow("OstrelControl") && wine_->answers("OstrelControl"));
        const auto updated = wine_->wine({setupPath(), "/S"}, 120s);
        ASSERT_EQ(updated.exitCode, 0) << updated.output;
        EXPECT_EQ(running.waitForExit(20s), 0) << "ended through its window, not killed";
    }
    ASSERT_TRUE(eventually([&] { return runs(exe); }, 30s)) << "the update starts the new copy";
    EXPECT_TRUE(kept());

    // As the system runs it, the uninstaller copies itself away and goes on from there; the copy is waited for.
    wine_->wine({"reg", "add", runKey, "/v", "OstrelMapper", "/d", "\"" + exe + "\"", "/f"});
    const auto uninstalled = wine_->wine({folder + "\\uninst.exe", "/S"}, 60s);
    ASSERT_EQ(uninstalled.exitCode, 0) << uninstalled.output;
    EXPECT_TRUE(eventually([&] { return !runs("_?=" + folder); }, 60s));
    EXPECT_FALSE(runs(exe)) << "the uninstaller ends the running copy";
    for (const char* gone : {"ostrel.exe", "LEIA-ME.txt", "assets", "uninst.exe"})
        EXPECT_FALSE(fs::exists(unixFolder + "/" + gone)) << gone;
    EXPECT_FALSE(fs::exists(shortcut));
    EXPECT_NE(wine_->wine({"reg", "query", uninstallKey}).exitCode, 0);
    EXPECT_NE(wine_->wine({"reg", "query", runKey, "/v", "OstrelMapper"}).exitCode, 0) << "nothing starts at log-on";
    EXPECT_TRUE(kept());
}

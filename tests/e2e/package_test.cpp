// The release a Windows user downloads: what the zip holds, and the program unzipped into a fresh folder
// and run in a Wine prefix that has never seen it, doing its job.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <algorithm>
#include <set>
#include <sstream>

#include "app_folder.h"
#include "ostrel_process.h"
#include "program_test.h"
#include "reference_warp.h"
#include "test_picture.h"

using namespace harness;

namespace {

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
                              "Superficie editada", "ADICIONAR MASCARA", "Suavizar", "Inverter", "config.json",
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

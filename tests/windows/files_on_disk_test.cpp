// config.json and debug.log as they land on disk through the real Win32 file calls.
#include <gtest/gtest.h>

#include <regex>

#include "app/app_state.h"
#include "platform/executable_path.h"
#include "platform/debug_log.h"
#include "app/app_settings.h"
#include "settings/settings_text.h"
#include "temp_folder.h"

namespace {

class SettingsOnDisk : public testing::Test {
protected:
    void SetUp() override
    {
        app.outputs[0].values.surfaces.front().corners = {{{-0.5f, 0.75f}, {0.1f, 1.0f}, {-1.0f, -1.0f}, {1.25f, -0.9f}}};
        app.captureMonitor = 1;
        app.outputs[0].values.outputMonitor = 0;
        app.adapterIdx = 0;
        app.startWithWindows = true;
    }
    void TearDown() override { app = AppState{}; }

    static std::string expectedBytes()
    {
        SettingsValues values;
        values.captureMonitor = app.captureMonitor;
        values.adapterIdx = app.adapterIdx;
        values.startWithWindows = app.startWithWindows;
        values.outputs = {app.outputs[0].values};
        return settingsFileBytes(values);
    }

    TempWorkingFolder folder_;
};

// Holds a file open the way another program might, for the life of the object.
class OpenedElsewhere {
public:
    OpenedElsewhere(const wchar_t* path, DWORD share)
        : handle_(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~OpenedElsewhere() { close(); }
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    void close()
    {
        if (isOpen())
            CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

} // namespace

TEST_F(SettingsOnDisk, SaveWritesTheExactCrLfTextAndNoTemporaryFile)
{
    saveSettings();
    const std::string bytes = fileBytes(L"config.json");
    EXPECT_EQ(bytes, expectedBytes());
    EXPECT_NE(bytes.find("\r\n    \"captureMonitor\": 1,\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find("\r\r"), std::string::npos) << "line breaks must not be doubled by a text-mode write";
    EXPECT_FALSE(fileExists(L"config.json.tmp"));
}

TEST_F(SettingsOnDisk, SaveReplacesALongerFileWhole)
{
    std::string longer(5000, 'x');
    HANDLE file = CreateFileW(L"config.json", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, longer.data(), static_cast<DWORD>(longer.size()), &written, nullptr);
    CloseHandle(file);

    saveSettings();
    EXPECT_EQ(fileBytes(L"config.json"), expectedBytes());
}

TEST_F(SettingsOnDisk, SavedFileLoadsBackIntoTheSameValues)
{
    saveSettings();
    const std::string saved = expectedBytes();
    app = AppState{};
    loadSettings();
    EXPECT_EQ(app.captureMonitor, 1);
    EXPECT_EQ(app.outputs[0].values.outputMonitor, 0);
    EXPECT_TRUE(app.startWithWindows);
    EXPECT_EQ(app.outputs[0].values.surfaces.front().corners[1].x, 0.1f);
    EXPECT_EQ(app.outputs[0].values.surfaces.front().corners[3].y, -0.9f);
    EXPECT_EQ(expectedBytes(), saved);
    saveSettings();
    EXPECT_EQ(fileBytes(L"config.json"), expectedBytes());
}

TEST_F(SettingsOnDisk, MissingFileLeavesValuesAndCreatesNothing)
{
    const std::string before = expectedBytes();
    loadSettings();
    EXPECT_EQ(expectedBytes(), before);
    EXPECT_FALSE(fileExists(L"config.json"));
}

TEST_F(SettingsOnDisk, FileOpenedElsewhereWithSharingIsStillSaved)
{
    // A reader that shares reading and writing but not deletion: the rename may be refused,
    // and the save then writes in place.
    OpenedElsewhere reader(L"config.json", FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(reader.isOpen());
    saveSettings();
    reader.close();
    EXPECT_EQ(fileBytes(L"config.json"), expectedBytes());
    EXPECT_FALSE(fileExists(L"config.json.tmp"));
}

TEST_F(SettingsOnDisk, FileLockedElsewhereIsLeftIntactAndTheNextSaveWorks)
{
    saveSettings();
    const std::string before = fileBytes(L"config.json");
    app.captureMonitor = 7;
    {
        OpenedElsewhere locker(L"config.json", 0);
        ASSERT_TRUE(locker.isOpen());
        EXPECT_FALSE(saveSettings());
    }
    EXPECT_EQ(fileBytes(L"config.json"), before) << "a refused save must not lose the old file";
    EXPECT_FALSE(fileExists(L"config.json.tmp"));
    EXPECT_EQ(app.captureMonitor, 7);
    EXPECT_TRUE(app.saveFailed) << "the panel warns until a save succeeds";
    const std::string warning = "[WARN] Falha ao salvar config.json; os valores continuam na memoria\r\n";
    const std::string log = fileBytes(L"debug.log");
    EXPECT_NE(log.find(warning), std::string::npos) << log;
    EXPECT_EQ(log.find(warning), log.rfind(warning)) << "one line for one failed save";

    EXPECT_TRUE(saveSettings());
    EXPECT_EQ(fileBytes(L"config.json"), expectedBytes());
    EXPECT_FALSE(app.saveFailed);
    EXPECT_EQ(fileBytes(L"debug.log"), log) << "a good save says nothing";
}

TEST(DebugLogOnDisk, LinesAreAppendedWithTimeTagAndCrLf)
{
    TempWorkingFolder folder;
    HANDLE file = CreateFileW(L"debug.log", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "earlier line\r\n", 14, &written, nullptr);
    CloseHandle(file);

    Log("LOG", "Display change detectado pelo Windows!");
    Log("WARN", "");
    const std::string bytes = fileBytes(L"debug.log");
    const std::regex expected(R"(earlier line\r\n)"
                              R"(\[\d\d:\d\d:\d\d\] \[LOG\] Display change detectado pelo Windows!\r\n)"
                              R"(\[\d\d:\d\d:\d\d\] \[WARN\] \r\n)");
    EXPECT_TRUE(std::regex_match(bytes, expected)) << bytes;
}

TEST(DebugLogOnDisk, ReaderHoldingTheFileDoesNotStopLogging)
{
    TempWorkingFolder folder;
    Log("LOG", "first");
    OpenedElsewhere tail(L"debug.log", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_TRUE(tail.isOpen());
    Log("LOG", "second");
    EXPECT_NE(fileBytes(L"debug.log").find("[LOG] second\r\n"), std::string::npos);
}

TEST(DebugLogOnDisk, UnopenableLogIsDroppedQuietly)
{
    TempWorkingFolder folder;
    // A folder where the file should be: the open fails like in a read-only place.
    ASSERT_TRUE(CreateDirectoryW(L"debug.log", nullptr));
    Log("LOG", "dropped");
    EXPECT_EQ(GetFileAttributesW(L"debug.log") & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
}

TEST(ExecutablePath, NamesTheRunningProgramInFull)
{
    const std::wstring path = executablePath();
    ASSERT_GT(path.size(), 25u);
    EXPECT_EQ(path.substr(path.size() - 25), L"\\ostrel_windows_tests.exe");
    EXPECT_TRUE(fileExists(path));
}

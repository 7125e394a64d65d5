// The Run value as it lands in the registry.
#include <gtest/gtest.h>

#include <vector>

#include "platform/executable_path.h"
#include "settings/start_with_windows.h"

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct StoredValue {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> bytes;
};

StoredValue readRunValue()
{
    StoredValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExW(key, L"OstrelMapper", nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.bytes.resize(size);
        value.present = RegQueryValueExW(key, L"OstrelMapper", nullptr, &value.type, value.bytes.data(), &size) ==
                        ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return value;
}

std::vector<BYTE> expectedBytes()
{
    const std::wstring text = L"\"" + executablePath() + L"\"";
    const auto* begin = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(begin, begin + (text.size() + 1) * sizeof(wchar_t));
}

} // namespace

TEST(StartWithWindows, OnWritesTheQuotedPathWithItsNull)
{
    EXPECT_EQ(setStartWithWindows(true, executablePath()), ERROR_SUCCESS);
    const StoredValue value = readRunValue();
    ASSERT_TRUE(value.present);
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.bytes, expectedBytes());
    ASSERT_GE(value.bytes.size(), 4u);
    EXPECT_EQ(value.bytes[value.bytes.size() - 4], '"') << "the closing quote, then the null";
    EXPECT_EQ(value.bytes.back(), 0);

    EXPECT_EQ(setStartWithWindows(true, executablePath()), ERROR_SUCCESS);
    EXPECT_EQ(readRunValue().bytes, expectedBytes()) << "on twice: still one value with the same data";
}

TEST(StartWithWindows, OffDeletesAndOffAgainChangesNothing)
{
    setStartWithWindows(true, executablePath());
    EXPECT_EQ(setStartWithWindows(false, executablePath()), ERROR_SUCCESS);
    EXPECT_FALSE(readRunValue().present);
    EXPECT_EQ(setStartWithWindows(false, executablePath()), ERROR_SUCCESS);
    EXPECT_FALSE(readRunValue().present);
}

TEST(StartWithWindows, AnEmptyPathRegistersNothingAndSaysSo)
{
    setStartWithWindows(false, executablePath());
    EXPECT_NE(setStartWithWindows(true, L""), ERROR_SUCCESS);
    EXPECT_FALSE(readRunValue().present);
}

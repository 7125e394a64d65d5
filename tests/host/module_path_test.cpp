#include <gtest/gtest.h>

#include "platform/module_path.h"

TEST(FolderOfPath, TakesTextBeforeTheLastSeparator)
{
    EXPECT_EQ(folderOfPath(L"C:\\Program Files\\Ostrel Mapper\\ostrel.exe"), L"C:\\Program Files\\Ostrel Mapper");
    EXPECT_EQ(folderOfPath(L"Z:\\tmp\\a b/c\\ostrel.exe"), L"Z:\\tmp\\a b/c");
    EXPECT_EQ(folderOfPath(L"Z:\\tmp/a b\\c/ostrel.exe"), L"Z:\\tmp/a b\\c");
    EXPECT_EQ(folderOfPath(L"\\\\server\\share\\ostrel.exe"), L"\\\\server\\share");
}

TEST(FolderOfPath, NothingWithoutSeparator)
{
    EXPECT_EQ(folderOfPath(L""), std::nullopt);
    EXPECT_EQ(folderOfPath(L"ostrel.exe"), std::nullopt);
}

TEST(FolderOfPath, DriveRootKeepsItsSeparator)
{
    EXPECT_EQ(folderOfPath(L"C:\\ostrel.exe"), L"C:\\");
    EXPECT_EQ(folderOfPath(L"D:/ostrel.exe"), L"D:/");
}

TEST(FolderOfPath, LongPathIsNotCut)
{
    std::wstring folder = L"\\\\?\\C:";
    while (folder.size() < 1000)
        folder += L"\\a folder with a long name";
    EXPECT_EQ(folderOfPath(folder + L"\\ostrel.exe"), folder);
}

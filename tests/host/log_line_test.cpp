#include <gtest/gtest.h>

#include "platform/log_line.h"

TEST(LogLine, IsTimeTagMessageAndCrLf)
{
    EXPECT_EQ(formatLogLine({9, 5, 7}, "LOG", "Display change detectado pelo Windows!"),
              "[09:05:07] [LOG] Display change detectado pelo Windows!\r\n");
    EXPECT_EQ(formatLogLine({23, 59, 59}, "WARN", "x"), "[23:59:59] [WARN] x\r\n");
    EXPECT_EQ(formatLogLine({0, 0, 0}, "INFO", "CaptureEngine: Monitor 5 selecionado (0x0)"),
              "[00:00:00] [INFO] CaptureEngine: Monitor 5 selecionado (0x0)\r\n");
}

TEST(LogLine, EmptyMessageKeepsPrefixTagAndBlank)
{
    EXPECT_EQ(formatLogLine({12, 0, 1}, "LOG", ""), "[12:00:01] [LOG] \r\n");
}

TEST(LogLine, MessageIsCopiedByteForByte)
{
    const std::string message("a%sb%d\x01\xff", 8);
    EXPECT_EQ(formatLogLine({1, 2, 3}, "LOG", message), "[01:02:03] [LOG] " + message + "\r\n");
}

#include <gtest/gtest.h>

#include <climits>

#include "display/monitor_info.h"

TEST(MonitorNames, NumberFromOneAndMarkThePrimary)
{
    EXPECT_EQ(monitorName(0, true), L"Monitor 1 (Principal)");
    EXPECT_EQ(monitorName(1, false), L"Monitor 2");
    // A secondary monitor enumerated first.
    EXPECT_EQ(monitorName(0, false), L"Monitor 1");
    EXPECT_EQ(monitorName(1, true), L"Monitor 2 (Principal)");
    EXPECT_EQ(monitorName(9, false), L"Monitor 10");
}

TEST(MonitorIndex, NamesAnEntryOnlyInsideTheList)
{
    EXPECT_TRUE(isMonitorIndex(0, 1));
    EXPECT_TRUE(isMonitorIndex(1, 2));
    EXPECT_FALSE(isMonitorIndex(1, 1)); // the default output on a one-monitor system: no projector
    EXPECT_FALSE(isMonitorIndex(2, 2));
    EXPECT_FALSE(isMonitorIndex(-1, 2));
    EXPECT_FALSE(isMonitorIndex(INT_MIN, 2));
    EXPECT_FALSE(isMonitorIndex(INT_MAX, 2));
    EXPECT_FALSE(isMonitorIndex(0, 0));
}

TEST(MonitorRect, SizeFromExclusiveEdges)
{
    const Rect leftOfPrimary{-1280, -200, 0, 824};
    EXPECT_EQ(leftOfPrimary.width(), 1280);
    EXPECT_EQ(leftOfPrimary.height(), 1024);
}

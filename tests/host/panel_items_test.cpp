#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "panel/panel_items.h"

namespace {

MonitorInfo monitorNamed(int32_t index, std::wstring name, Rect rect = {})
{
    MonitorInfo monitor;
    monitor.index = index;
    monitor.name = std::move(name);
    monitor.rect = rect;
    return monitor;
}

} // namespace

TEST(MonitorItemList, NamesSeparatedByZeroBytesAndOneMoreAtTheEnd)
{
    std::vector<MonitorInfo> monitors{monitorNamed(0, L"Monitor 1 (Principal)", {0, 0, 1024, 768}),
                                      monitorNamed(1, L"Monitor 2", {1024, 0, 1824, 600})};
    const std::string items = monitorItemList(monitors);
    EXPECT_EQ(items, std::string("Monitor 1 (Principal)\0Monitor 2\0\0", 33));
    EXPECT_EQ(items.size(), 33u);
    // A friendly name from Windows, in UTF-8 as the panel takes it, beside the numbered name.
    monitors[1].friendlyName = "Proje\xC3\xA7\xC3\xA3o";
    EXPECT_EQ(monitorItemList(monitors), std::string("Monitor 1 (Principal)\0Monitor 2 - Proje\xC3\xA7\xC3\xA3o (800x600)\0\0", 56));
}

TEST(MonitorItemList, NoMonitorsIsASingleZeroByte)
{
    EXPECT_EQ(monitorItemList({}), std::string(1, '\0'));
}

TEST(MonitorItemList, EachUnitKeepsItsLowByte)
{
    const std::string items = monitorItemList({monitorNamed(0, std::wstring(L"M\x0141") + L"x")});
    EXPECT_EQ(items, std::string("M\x41x\0\0", 5));
}

TEST(CornerValue, OnlyFiniteNumbersAreTaken)
{
    EXPECT_TRUE(isAcceptedCornerValue(-0.5f));
    EXPECT_TRUE(isAcceptedCornerValue(0.0f));
    EXPECT_TRUE(isAcceptedCornerValue(1e30f));
    EXPECT_TRUE(isAcceptedCornerValue(-std::numeric_limits<float>::max()));
    EXPECT_FALSE(isAcceptedCornerValue(std::numeric_limits<float>::infinity()));
    EXPECT_FALSE(isAcceptedCornerValue(-std::numeric_limits<float>::infinity()));
    EXPECT_FALSE(isAcceptedCornerValue(std::nanf("")));
}

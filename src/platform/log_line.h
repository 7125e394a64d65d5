// One line of debug.log, exactly as it lands on disk.
#pragma once

#include <string>
#include <string_view>

struct ClockTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// "[hh:mm:ss] [TAG] message" followed by CR LF.
std::string formatLogLine(ClockTime time, std::string_view tag, std::string_view message);

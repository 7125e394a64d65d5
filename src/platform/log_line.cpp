// Log line text.
#include "platform/log_line.h"

#include <cstdio>

std::string formatLogLine(ClockTime time, std::string_view tag, std::string_view message)
{
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "[%02d:%02d:%02d] ", time.hour, time.minute, time.second);
    std::string line = prefix;
    line += '[';
    line += tag;
    line += "] ";
    line += message;
    line += "\r\n";
    return line;
}

// The debug log writer.
#include "settings/debug_log.h"

#include <windows.h>

#include "settings/file_access.h"
#include "settings/log_line.h"

void Log(const char* tag, const char* message)
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const ClockTime time{now.wHour, now.wMinute, now.wSecond};
    appendToSharedFile(L"debug.log", formatLogLine(time, tag, message));
}

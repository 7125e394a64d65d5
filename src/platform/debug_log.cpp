// The debug log writer.
#include "platform/debug_log.h"

#include <windows.h>

#include "platform/file_access.h"
#include "platform/log_line.h"

void Log(const char* tag, const char* message)
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const ClockTime time{now.wHour, now.wMinute, now.wSecond};
    appendToSharedFile(L"debug.log", formatLogLine(time, tag, message));
}

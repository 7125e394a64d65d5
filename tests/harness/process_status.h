// Memory of a Linux process as the kernel counts it: Wine's GetProcessMemoryInfo reports zeros, so the
// harness reads the program's memory from /proc.
#pragma once

#include <sys/types.h>

#include <fstream>
#include <string>

// A "Field:  N kB" line of /proc/PID/status ("VmRSS:", "RssAnon:"), in KiB; -1 when absent.
inline long statusKiB(pid_t pid, const std::string& field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(field.size()));
    return -1;
}

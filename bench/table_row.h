// One row of the figures table that scripts/bench gathers from every benchmark's output: a line
// "table-row", then what is measured, on what, the figure and the target, separated by tabs.
#pragma once

#include <cstdarg>
#include <cstdio>

inline void printTableRow(const char* what, const char* onWhat, const char* target, const char* figureFormat, ...)
{
    char figure[256];
    va_list args;
    va_start(args, figureFormat);
    std::vsnprintf(figure, sizeof figure, figureFormat, args);
    va_end(args);
    std::printf("table-row\t%s\t%s\t%s\t%s\n", what, onWhat, figure, target);
    std::fflush(stdout);
}

// debug.log in the working folder: one time-stamped line per notable event.
#pragma once

// Appends "[hh:mm:ss] [tag] message" and CR LF; the file is opened and closed for every line and
// never held, so other programs can read it meanwhile. A line that cannot be written is dropped.
void Log(const char* tag, const char* message);

// Lines of text on the console: UTF-8, one line per call, activity lines with their time stamp.
#pragma once
#include <cstdio>
#include <string_view>

// Writes the text and a line end; CR LF inside the text becomes a plain line end. Flushed at once,
// so a reader of a pipe sees each line as it happens.
void WriteLine(std::FILE* stream, std::wstring_view text);

// The line as an activity log shows it: "hh:mm:ss " of the local time, then the text.
void WriteActivityLine(std::FILE* stream, std::wstring_view text);

// A progress line on the console: redrawn in place on a terminal, cleared before other lines print.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string_view>

// On a terminal the line is written after a carriage return and padded over what it replaces;
// Clear wipes it, so that ordinary lines never run into it. Not on a terminal (a file or a pipe),
// Show does nothing: the caller prints plain lines instead.
class CConsoleProgress {
public:
    CConsoleProgress(std::FILE* stream, bool terminal) : stream_(stream), terminal_(terminal) {}
    ~CConsoleProgress() { Clear(); }
    CConsoleProgress(const CConsoleProgress&) = delete;
    CConsoleProgress& operator=(const CConsoleProgress&) = delete;

    bool IsTerminal() const { return terminal_; }
    bool IsShown() const { return shownLength_ != 0; }
    void Show(std::wstring_view line);
    void Clear();

private:
    std::FILE* stream_;
    bool terminal_;
    size_t shownLength_ = 0;
};

// True when `stream` is a terminal (a console window on Windows) rather than a file or a pipe.
bool IsTerminalStream(std::FILE* stream);

// Activity-log lines: the time stamp and the rules for appending a line to a log view.
#pragma once
#include <ctime>
#include <string>
#include <string_view>

// "hh:mm:ss " of the local time (note the trailing blank).
std::wstring TimeStamp();
std::wstring TimeStamp(const std::tm& localTime);

// A log window as the append rule sees it (a rich-edit control on Windows).
class ILogView {
public:
    virtual ~ILogView() = default;
    virtual bool IsEmpty() = 0;
    // Moves the caret to the end and inserts the text there.
    virtual void InsertAtEnd(std::wstring_view text) = 0;
    // True when the view shows the end of the text (nothing to scroll, or scrolled to the bottom).
    virtual bool IsShowingEnd() = 0;
    // Asks the view to scroll to its end once the insert has been laid out (posted, not done now).
    virtual void RequestScrollToEnd() = 0;
};

// Appends the line as it is: CR LF first unless the log is empty, so the log never ends in a line
// break; the view follows the end only when it showed the end before.
void AppendLine(ILogView& log, std::wstring_view line);

// Appends the time-stamped line: CR LF first unless the log is empty, so the log never ends in a
// line break; the view follows the end only when it showed the end before.
void AppendLogLine(ILogView& log, std::wstring_view text);
void AppendLogLine(ILogView& log, std::wstring_view text, const std::tm& localTime);

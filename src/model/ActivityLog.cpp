// Activity-log lines.
#include "model/ActivityLog.h"

#include "model/Format.h"

namespace {
std::tm LocalNow()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local;
}
} // namespace

std::wstring TimeStamp(const std::tm& localTime)
{
    return Format(L"%02u:%02u:%02u ", localTime.tm_hour, localTime.tm_min, localTime.tm_sec);
}

std::wstring TimeStamp() { return TimeStamp(LocalNow()); }

void AppendLine(ILogView& log, std::wstring_view line)
{
    bool follow = log.IsShowingEnd();
    // One insert per line: each costs the control a layout and a repaint.
    if (log.IsEmpty()) {
        log.InsertAtEnd(line);
    } else {
        std::wstring text = L"\r\n";
        text += line;
        log.InsertAtEnd(text);
    }
    if (follow)
        log.RequestScrollToEnd();
}

void AppendLogLine(ILogView& log, std::wstring_view text, const std::tm& localTime)
{
    std::wstring line = TimeStamp(localTime);
    line += text;
    AppendLine(log, line);
}

void AppendLogLine(ILogView& log, std::wstring_view text) { AppendLogLine(log, text, LocalNow()); }

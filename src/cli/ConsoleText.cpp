// Lines of text on the console: UTF-8, one line per call, activity lines with their time stamp.
#include "cli/ConsoleText.h"

#include <string>

#include "model/ActivityLog.h"
#include "platform/TextConversion.h"

void WriteLine(std::FILE* stream, std::wstring_view text)
{
    std::wstring line;
    line.reserve(text.size() + 1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
            continue;
        line += text[i];
    }
    line += L'\n';
    const std::string bytes = ToUtf8(line);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

void WriteActivityLine(std::FILE* stream, std::wstring_view text)
{
    WriteLine(stream, TimeStamp() + std::wstring(text));
}

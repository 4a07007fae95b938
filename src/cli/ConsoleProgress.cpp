// A progress line on the console.
#include "cli/ConsoleProgress.h"

#include <string>

#include "platform/TextConversion.h"

void CConsoleProgress::Show(std::wstring_view line)
{
    if (!terminal_)
        return;
    std::string bytes = "\r" + ToUtf8(line);
    const size_t length = line.size();
    if (length < shownLength_)
        bytes.append(shownLength_ - length, ' '); // over the rest of a longer line
    std::fwrite(bytes.data(), 1, bytes.size(), stream_);
    std::fflush(stream_);
    shownLength_ = length; // what lay beyond it is blank now
}

void CConsoleProgress::Clear()
{
    if (!terminal_ || shownLength_ == 0)
        return;
    std::string bytes = "\r";
    bytes.append(shownLength_, ' ');
    bytes += '\r';
    std::fwrite(bytes.data(), 1, bytes.size(), stream_);
    std::fflush(stream_);
    shownLength_ = 0;
}

// Which names from a file server's listing the copy may use as local file names.
#include "firmware/ServerFileName.h"

#include <algorithm>

bool IsPlainServerFileName(std::wstring_view name)
{
    constexpr size_t kLongestName = 255;
    if (name.empty() || name.size() > kLongestName || name == L"." || name == L"..")
        return false;
    return std::none_of(name.begin(), name.end(), [](wchar_t c) {
        return c == L'/' || c == L'\\' || c == L':' || c < 0x20 || c == 0x7F;
    });
}

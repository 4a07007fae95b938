// The file server's address as the FileServer setting and --server give it.
#include "firmware/ServerAddress.h"

#include <algorithm>

namespace {

bool ParsePort(std::wstring_view digits, uint16_t& port)
{
    if (digits.empty() || digits.size() > 5)
        return false;
    uint32_t value = 0;
    for (wchar_t c : digits) {
        if (c < L'0' || c > L'9')
            return false;
        value = value * 10 + static_cast<uint32_t>(c - L'0');
    }
    if (value < 1 || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

bool IsHostText(std::wstring_view host)
{
    return !host.empty() && std::none_of(host.begin(), host.end(), [](wchar_t c) { return c <= L' ' || c == 0x7F; });
}

} // namespace

bool ParseServerAddress(std::wstring_view text, std::wstring& host, uint16_t& port)
{
    std::wstring_view name = text;
    uint16_t number = 0;
    if (!text.empty() && text.front() == L'[') {
        const size_t close = text.find(L']');
        if (close == std::wstring_view::npos)
            return false;
        name = text.substr(1, close - 1);
        const std::wstring_view rest = text.substr(close + 1);
        if (!rest.empty() && (rest.front() != L':' || !ParsePort(rest.substr(1), number)))
            return false;
    } else if (const size_t colon = text.rfind(L':'); colon != std::wstring_view::npos) {
        if (text.find(L':') != colon || !ParsePort(text.substr(colon + 1), number))
            return false;
        name = text.substr(0, colon);
    }
    if (!IsHostText(name))
        return false;
    host.assign(name);
    port = number;
    return true;
}

// ErrorText on Windows: FormatMessageW from wininet.dll, the program's own table or the system.
#include "model/ErrorText.h"

#include "model/Format.h"
#include "model/StatusCodes.h"
#include "model/StringTable.h"

#include <windows.h>
#include <wininet.h>

#include <vector>

namespace {

std::wstring FormatFrom(DWORD flags, HMODULE module, uint32_t code)
{
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(flags | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, module,
                                  code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
    if (buffer)
        LocalFree(buffer);
    return TrimLineEnd(std::move(text));
}

// The server's last response, offered a 256-character buffer first and the reported size once more.
std::wstring LastServerResponse()
{
    DWORD error = 0;
    DWORD length = 256;
    std::vector<wchar_t> buffer(length + 1);
    if (!InternetGetLastResponseInfoW(&error, buffer.data(), &length)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return {};
        buffer.assign(length + 1, L'\0');
        if (!InternetGetLastResponseInfoW(&error, buffer.data(), &length))
            return {};
    }
    buffer.back() = L'\0';
    std::wstring response(buffer.data()); // up to its first zero
    return Format(StringId{IDS_SERVER_RESPONSE_SUFFIX}, error, response);
}

} // namespace

std::wstring ErrorText(uint32_t code)
{
    std::wstring text;
    if (IsInternetCode(code)) {
        HMODULE wininet = GetModuleHandleW(L"wininet.dll");
        if (wininet)
            text = FormatFrom(FORMAT_MESSAGE_FROM_HMODULE, wininet, code);
        // Some internet libraries have no text for a code (Wine has none for 12003).
        if (text.empty())
            text = code == INTERNET_EXTENDED_ERROR ? LoadStringResource(IDS_EXTENDED_ERROR_FALLBACK)
                                                   : Format(StringId{IDS_INTERNET_ERROR_FALLBACK}, code);
        if (code == INTERNET_EXTENDED_ERROR && wininet)
            text += LastServerResponse();
        return text;
    }
    if (IsOwnCode(code))
        return FormatFrom(FORMAT_MESSAGE_FROM_HMODULE, GetModuleHandleW(nullptr), code);
    return FormatFrom(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code);
}

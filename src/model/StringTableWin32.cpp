// String and message tables on Windows: the resources linked into the program.
#include "model/StringTable.h"

#include <windows.h>

std::wstring LoadStringResource(uint32_t id)
{
    // With a zero buffer size LoadStringW answers a read-only pointer into the resource.
    const wchar_t* text = nullptr;
    int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

std::wstring OwnMessageTableText(uint32_t code)
{
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  GetModuleHandleW(nullptr), code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
    if (buffer)
        LocalFree(buffer);
    return text;
}

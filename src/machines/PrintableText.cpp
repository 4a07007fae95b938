// The printable form of a reply or command for trace lines.
#include "machines/PrintableText.h"

std::wstring PrintableText(std::wstring_view text)
{
    static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring printable;
    printable.reserve(text.size());
    for (wchar_t c : text) {
        if (c >= 0x20 && c <= 0x7E) {
            printable += c;
        } else {
            const unsigned byte = static_cast<unsigned>(c) & 0xFFu;
            printable += L"\\x";
            printable += kHex[byte >> 4];
            printable += kHex[byte & 0xFu];
        }
    }
    return printable;
}

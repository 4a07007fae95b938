// The printable form of a reply or command for trace lines.
#pragma once
#include <string>
#include <string_view>

// Characters 0x20 to 0x7E stay; every other one becomes "\x" and two upper-case hexadecimal
// digits of its low byte, so binary bytes and line ends are visible in a trace.
std::wstring PrintableText(std::wstring_view text);

// Conversions between the core's UTF-16 text and UTF-8 bytes.
#pragma once
#include <string>
#include <string_view>

// wchar_t holds UTF-16 units on Windows and UTF-32 elsewhere; both convert alike.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view bytes);

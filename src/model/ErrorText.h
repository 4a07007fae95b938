// The text of any status code: the program's own message table, the system's, or the internet library's.
#pragma once
#include <cstdint>
#include <string>

// Never fails; trailing CR and LF are trimmed; a code no source knows gives an empty text.
std::wstring ErrorText(uint32_t code);

// Removes every trailing CR and LF.
std::wstring TrimLineEnd(std::wstring text);

// The program's string table (a STRINGTABLE resource on Windows, a compiled-in table elsewhere).
#pragma once
#include <cstdint>
#include <string>

#include "StringIds.h" // generated from resources/strings.txt: IDS_* = string ids

// The text of a string-table entry; empty when there is none.
std::wstring LoadStringResource(uint32_t id);

// The program's own message-table text of a code, with its CR LF ending; empty when there is none.
std::wstring OwnMessageTableText(uint32_t code);

// The module's answer to the revision query: the prefix, one digit, ".", two digits, ";".
#pragma once
#include <cstdint>
#include <string_view>

// True when `reply` begins with `prefix` and the next five characters are a decimal digit, ".",
// a digit, a digit and ";"; the revision is then 100 x first + 10 x second + third digit
// (V1.23; gives 123). Anything else leaves `revision` alone and answers false.
bool ParseRevisionReply(std::wstring_view reply, std::wstring_view prefix, uint16_t& revision);

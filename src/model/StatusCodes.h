// Status codes: 0 is success; system errors, HRESULTs and the program's own codes are failures.
#pragma once
#include <cstdint>

#include "MessageCodes.h" // generated from resources/messages.txt: MSG_* = the program's own codes

constexpr uint32_t STATUS_OK = 0;
constexpr uint32_t HRESULT_INVALID_ARGUMENT = 0x80070057u;

// A positive system error code read as an HRESULT: 0x80070000 | (code & 0xFFFF).
constexpr uint32_t HResultFromSystemError(uint32_t code)
{
    return static_cast<int32_t>(code) > 0 ? (0x80070000u | (code & 0xFFFFu)) : code;
}

// Every non-zero code is a failure, warnings of the program's own included.
constexpr bool IsFailure(uint32_t code)
{
    return static_cast<int32_t>(HResultFromSystemError(code)) < 0;
}

// The program's own codes carry facility 0x200 with the customer bit: 0xE2000000 and 0xA2000000 groups.
constexpr bool IsOwnCode(uint32_t code) { return (code & 0x0FFF0000u) == 0x02000000u; }

// Codes 12000 to 12175 belong to the internet library.
constexpr bool IsInternetCode(uint32_t code) { return code >= 12000 && code <= 12175; }

constexpr uint32_t INTERNET_EXTENDED_ERROR = 12003;

// ErrorText off Windows: the program's own table, then the Windows texts of the system and
// internet codes that the Linux adapters produce (they map errno to those codes).
#include "model/ErrorText.h"

#include "model/Format.h"
#include "model/StatusCodes.h"
#include "model/StringTable.h"

namespace {

struct SystemErrorEntry {
    uint32_t code;
    const wchar_t* text;
};

const SystemErrorEntry kSystemErrors[] = {
#include "SystemErrorData.inc"
};

std::wstring SystemErrorText(uint32_t code)
{
    // HRESULTs that wrap a system error (0x8007xxxx) read as that error.
    if ((code & 0xFFFF0000u) == 0x80070000u)
        code &= 0xFFFFu;
    for (const auto& entry : kSystemErrors)
        if (entry.code == code)
            return entry.text;
    if (code == 0x80070057u || code == 87)
        return L"The parameter is incorrect.";
    return {};
}

} // namespace

std::wstring ErrorText(uint32_t code)
{
    if (IsOwnCode(code))
        return TrimLineEnd(OwnMessageTableText(code));
    std::wstring text = SystemErrorText(code);
    if (text.empty() && IsInternetCode(code))
        text = Format(StringId{IDS_INTERNET_ERROR_FALLBACK}, code);
    return text;
}

// The module's answer to the revision query.
#include "machines/RevisionReply.h"

namespace {
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
} // namespace

bool ParseRevisionReply(std::wstring_view reply, std::wstring_view prefix, uint16_t& revision)
{
    if (!reply.starts_with(prefix))
        return false;
    const std::wstring_view rest = reply.substr(prefix.size());
    if (rest.size() < 5 || !IsDigit(rest[0]) || rest[1] != L'.' || !IsDigit(rest[2]) || !IsDigit(rest[3]) ||
        rest[4] != L';')
        return false;
    revision = static_cast<uint16_t>(100 * (rest[0] - L'0') + 10 * (rest[2] - L'0') + (rest[3] - L'0'));
    return true;
}

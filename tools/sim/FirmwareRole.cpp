// The module's running firmware as the simulator plays it.
#include "FirmwareRole.h"

namespace {
// Bytes that a noisy line might deliver; none of them is a terminator or a command letter.
constexpr char kNoise[] = "\x7F\x80~\xFF";
} // namespace

std::string CFirmwareRole::RevisionReply() const
{
    unsigned major = behaviour_.revision / 100;
    unsigned minor = behaviour_.revision % 100;
    std::string reply = "V" + std::to_string(major) + ".";
    if (behaviour_.badVersion)
        return reply + std::to_string(minor % 10) + ";"; // one digit after the point: V1.2; for 112
    reply += static_cast<char>('0' + minor / 10);
    reply += static_cast<char>('0' + minor % 10);
    return reply + ";";
}

void CFirmwareRole::OnByte(uint8_t byte, uint64_t, ISimLink& link)
{
    switch (byte) {
    case ';':
        Reply(PollReply(), link);
        break;
    case 'V':
        Reply(RevisionReply(), link);
        break;
    case 'D':
        // The firmware restarts into its bootstrap loader, which then waits for its own "D".
        link.SwitchTo(SimRoleId::Loader);
        break;
    default:
        break; // the firmware ignores what it does not know
    }
}

void CFirmwareRole::Reply(const std::string& text, ISimLink& link) const
{
    if (behaviour_.silent)
        return;
    if (behaviour_.noise)
        link.Send(std::string_view(kNoise, sizeof(kNoise) - 1));
    link.Send(text);
}

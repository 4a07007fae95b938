// The file server's address: "host" or "host:port", and what is refused.
#include "firmware/ServerAddress.h"

#include <gtest/gtest.h>

namespace {

TEST(ServerAddress, AHostWithOrWithoutItsPort)
{
    struct Case {
        const wchar_t* text;
        bool valid;
        const wchar_t* host;
        uint16_t port;
    } cases[] = {
        {L"ftp.norvanta.com", true, L"ftp.norvanta.com", 0},
        {L"127.0.0.1:2121", true, L"127.0.0.1", 2121},
        {L"[::1]:21", true, L"::1", 21},
        {L"[::1]", true, L"::1", 0},
        {L"host:65535", true, L"host", 65535},
        {L"", false, L"", 0},
        {L":21", false, L"", 0},
        {L"host:", false, L"", 0},
        {L"host:0", false, L"", 0},
        {L"host:65536", false, L"", 0},
        {L"host:21x", false, L"", 0},
        {L"::1", false, L"", 0},
        {L"two words", false, L"", 0},
        {L"[::1", false, L"", 0},
    };
    for (const Case& c : cases) {
        std::wstring host = L"unchanged";
        uint16_t port = 7;
        EXPECT_EQ(ParseServerAddress(c.text, host, port), c.valid) << std::wstring(c.text).size();
        if (c.valid) {
            EXPECT_EQ(host, c.host);
            EXPECT_EQ(port, c.port);
        }
    }
}

} // namespace

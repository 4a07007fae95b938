// The file server's address as the FileServer setting and --server give it: "host" or "host:port".
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// "host", "host:port" or "[IPv6 address]:port"; port 1 to 65535, 0 (FTP's own) when there is
// none. False for an empty host, a bad port or a host with blanks or control characters.
bool ParseServerAddress(std::wstring_view text, std::wstring& host, uint16_t& port);

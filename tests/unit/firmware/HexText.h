// Builds Intel HEX text with correct record checksums, for the firmware tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One record: ":" LL AAAA TT data CC, upper-case digits, followed by `lineEnd`.
inline std::string HexRecord(uint8_t type, uint16_t address, const std::vector<uint8_t>& data,
                             const char* lineEnd = "\r\n")
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text = ":";
    unsigned sum = 0;
    auto put = [&](uint8_t byte) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
        sum += byte;
    };
    put(static_cast<uint8_t>(data.size()));
    put(static_cast<uint8_t>(address >> 8));
    put(static_cast<uint8_t>(address));
    put(type);
    for (uint8_t byte : data)
        put(byte);
    put(static_cast<uint8_t>(0x100 - (sum & 0xFF)));
    return text + lineEnd;
}

inline std::string HexData(uint16_t address, const std::vector<uint8_t>& data, const char* lineEnd = "\r\n")
{
    return HexRecord(0x00, address, data, lineEnd);
}

inline std::string HexLinearBase(uint16_t upper) { return HexRecord(0x04, 0, {uint8_t(upper >> 8), uint8_t(upper)}); }

inline std::string HexSegmentBase(uint16_t segment) { return HexRecord(0x02, 0, {uint8_t(segment >> 8), uint8_t(segment)}); }

inline const std::string kHexEnd = ":00000001FF\r\n";

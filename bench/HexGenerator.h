// Generates large Intel HEX text for the benchmarks: 16-byte data records with extended linear addresses.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

inline void AppendHexRecord(std::string& out, uint8_t type, uint16_t address, const uint8_t* data, uint8_t count)
{
    static const char digits[] = "0123456789ABCDEF";
    unsigned sum = count + (address >> 8) + (address & 0xFF) + type;
    auto put = [&out](uint8_t byte) {
        out += digits[byte >> 4];
        out += digits[byte & 15];
    };
    out += ':';
    put(count);
    put(static_cast<uint8_t>(address >> 8));
    put(static_cast<uint8_t>(address));
    put(type);
    for (uint8_t i = 0; i < count; ++i) {
        put(data[i]);
        sum += data[i];
    }
    put(static_cast<uint8_t>(0x100 - (sum & 0xFF)));
    out += "\r\n";
}

// 16-byte data records over consecutive addresses from 0, an extended linear address record at
// every 64 KiB boundary, until the text reaches `targetBytes`; then the end-of-file record. The
// word at 0x0800 (the firmware image's checksum reconciliation word) is left zero, so a firmware
// check of the file fills it in and succeeds.
inline std::string GenerateHex(size_t targetBytes)
{
    std::string text;
    text.reserve(targetBytes + 64);
    uint8_t data[16];
    uint32_t address = 0;
    while (text.size() < targetBytes) {
        if ((address & 0xFFFF) == 0) {
            const uint8_t upper[2] = {static_cast<uint8_t>(address >> 24), static_cast<uint8_t>(address >> 16)};
            AppendHexRecord(text, 0x04, 0, upper, 2);
        }
        for (int i = 0; i < 16; ++i)
            data[i] = static_cast<uint8_t>(address * 7 + i * 13);
        if (address == 0x0800)
            data[0] = data[1] = 0;
        AppendHexRecord(text, 0x00, static_cast<uint16_t>(address), data, 16);
        address += 16;
    }
    text += ":00000001FF\r\n";
    return text;
}

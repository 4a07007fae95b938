// Writes a byte image as an Intel HEX file.
#include "HexImageFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kRecordBytes = 16;

void AppendByte(std::string& text, uint8_t byte, unsigned& sum)
{
    static const char kDigits[] = "0123456789ABCDEF";
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
    sum += byte;
}

} // namespace

std::string IntelHexImageText(uint32_t baseAddress, const std::vector<uint8_t>& image)
{
    std::string text;
    text.reserve(image.size() / kRecordBytes * 45 + 16);
    for (size_t offset = 0; offset < image.size(); offset += kRecordBytes) {
        const size_t count = std::min(kRecordBytes, image.size() - offset);
        const uint32_t address = baseAddress + static_cast<uint32_t>(offset);
        unsigned sum = 0;
        text += ':';
        AppendByte(text, static_cast<uint8_t>(count), sum);
        AppendByte(text, static_cast<uint8_t>(address >> 8), sum);
        AppendByte(text, static_cast<uint8_t>(address), sum);
        AppendByte(text, 0x00, sum);
        for (size_t i = 0; i < count; ++i)
            AppendByte(text, image[offset + i], sum);
        unsigned ignored = 0;
        AppendByte(text, static_cast<uint8_t>(0x100 - (sum & 0xFF)), ignored);
        text += "\r\n";
    }
    text += ":00000001FF\r\n";
    return text;
}

bool WriteIntelHexImage(const std::string& path, uint32_t baseAddress, const std::vector<uint8_t>& image,
                        std::string& error)
{
    const std::string text = IntelHexImageText(baseAddress, image);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    written = std::fclose(file) == 0 && written;
    if (!written)
        error = path + ": " + std::strerror(errno);
    return written;
}

// Building, checking and printing the bootstrap loader's download blocks.
#include "machines/DownloadBlock.h"

#include <algorithm>
#include <cstring>

uint8_t BlockChecksum(const uint8_t* bytes, size_t count)
{
    unsigned sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += bytes[i];
    return static_cast<uint8_t>(0x100u - (sum & 0xFFu));
}

void FillDownloadBlock(DownloadBlock& block, const uint8_t* data, size_t available, uint32_t address,
                       uint8_t byte66)
{
    const size_t take = std::min(available, kDownloadBlockDataSize);
    if (take > 0)
        std::memcpy(block.data(), data, take);
    std::fill(block.begin() + static_cast<ptrdiff_t>(take), block.begin() + kDownloadBlockDataSize, uint8_t{0xFF});
    block[64] = static_cast<uint8_t>(address);
    block[65] = static_cast<uint8_t>(address >> 8);
    block[66] = byte66;
    block[67] = BlockChecksum(block.data(), kDownloadBlockSize - 1);
}

void BlockHexDigits(const DownloadBlock& block, wchar_t (&text)[2 * kDownloadBlockSize + 1])
{
    static constexpr wchar_t digits[] = L"0123456789ABCDEF";
    for (size_t i = 0; i < kDownloadBlockSize; ++i) {
        text[2 * i] = digits[block[i] >> 4];
        text[2 * i + 1] = digits[block[i] & 15];
    }
    text[2 * kDownloadBlockSize] = L'\0';
}

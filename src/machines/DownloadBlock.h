// The 68-byte download block of the bootstrap loader: 64 image bytes, a 24-bit load address, a checksum.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

constexpr size_t kDownloadBlockSize = 68;
constexpr size_t kDownloadBlockDataSize = 64;
// Bytes 0 and 1 of the first image block until the final block brings the real ones.
constexpr uint8_t kFirstBlockMarker[2] = {0xDE, 0xAD};
// Byte 66 of the final block, which repeats the block at 0x0800 with its real contents.
constexpr uint8_t kFinalBlockFlag = 0x02;

using DownloadBlock = std::array<uint8_t, kDownloadBlockSize>;

// The two's complement of the 8-bit sum of `count` bytes, so that they and it add up to 0 mod 256.
uint8_t BlockChecksum(const uint8_t* bytes, size_t count);

// Fills `block` from `available` image bytes at `data` (at most 64 are used; missing ones are
// 0xFF), bytes 64 and 65 from the low 16 bits of `address`, byte 66 with `byte66` and byte 67 with
// the checksum. Allocates nothing.
void FillDownloadBlock(DownloadBlock& block, const uint8_t* data, size_t available, uint32_t address,
                       uint8_t byte66);

// Writes the block as 136 upper-case hexadecimal digits (two per byte, in order) and a terminating
// zero into `text`, for trace lines.
void BlockHexDigits(const DownloadBlock& block, wchar_t (&text)[2 * kDownloadBlockSize + 1]);

// Writes a byte image as an Intel HEX file: the simulator's record of the firmware it received.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// 16-byte data records (type 00) from `baseAddress` up, every byte of the image included, then
// the end-of-file record; CR LF line ends. The image must end at or below 0x10000 (no extended
// address records are written). False with `error` when the file cannot be written.
bool WriteIntelHexImage(const std::string& path, uint32_t baseAddress, const std::vector<uint8_t>& image,
                        std::string& error);

// The text of such a file.
std::string IntelHexImageText(uint32_t baseAddress, const std::vector<uint8_t>& image);

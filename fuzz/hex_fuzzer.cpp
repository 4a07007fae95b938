// libFuzzer target for the Intel HEX reader: any text ends with a known result, and the
// check-only and copy modes agree on it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "firmware/IntelHexReader.h"
#include "model/StatusCodes.h"
#include "platform/LastError.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool IsKnownCode(uint32_t code)
{
    return code == MSG_UNEXPECTED_HEX_CHARACTER || code == MSG_HEX_RECORD_TYPE || code == MSG_HEX_CHECKSUM ||
           code == MSG_HEX_NO_EOF || code == MSG_HEX_DATA_LENGTH;
}

// The firmware image's window, as the loader reads it.
constexpr uint32_t kLow = 0x0800;
constexpr uint32_t kHigh = 0x7DC0;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Check-only mode over the whole address space.
    CIntelHexReader checker;
    checker.AttachText(data, size);
    checker.SetWindow(0, 0xFFFFFFFFu);
    SetLastErrorCode(0);
    const bool valid = checker.ReadAll();
    const uint32_t code = valid ? 0 : GetLastErrorCode();
    Check(valid || IsKnownCode(code));
    Check(valid == checker.IsEndOfFileSeen());
    const HexFileSummary& summary = checker.GetSummary();
    Check(summary.dataRecords <= summary.records);
    Check(!valid || summary.dataRecords < summary.records); // the end record is counted too
    Check(summary.dataBytes <= 255ull * summary.dataRecords);
    Check(summary.dataRecords == 0 || summary.endAddress >= summary.lowAddress);

    // Copy mode into an image-sized buffer with guard bytes on both sides: nothing is written
    // outside the destination, and the result is the same.
    std::vector<uint8_t> buffer(16 + (kHigh - kLow) + 16, 0xA5);
    CIntelHexReader copier;
    copier.AttachText(data, size);
    copier.SetWindow(kLow, kHigh);
    copier.SetDestination(buffer.data() + 16, buffer.data() + 16 + (kHigh - kLow));
    SetLastErrorCode(0);
    const bool copied = copier.ReadAll();
    Check(copied == valid);
    Check(copied || GetLastErrorCode() == code);
    for (size_t i = 0; i < 16; ++i)
        Check(buffer[i] == 0xA5 && buffer[buffer.size() - 1 - i] == 0xA5);
    return 0;
}

// The Intel HEX record parser: table-driven digit decoding straight from the mapped text.
#include "firmware/IntelHexReader.h"

#include "model/StatusCodes.h"
#include "platform/LastError.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr uint8_t kLineEnd = 0x40; // CR or LF: skipped inside a record
constexpr uint8_t kInvalid = 0x80; // anything else that is not a hex digit

// One lookup per character: a digit's value (0-15), kLineEnd or kInvalid. Any value of 16 or
// more marks a character that the fast paths leave to the careful one.
constexpr std::array<uint8_t, 256> MakeDigitTable()
{
    std::array<uint8_t, 256> table{};
    for (auto& entry : table)
        entry = kInvalid;
    for (int c = '0'; c <= '9'; ++c)
        table[c] = static_cast<uint8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c)
        table[c] = static_cast<uint8_t>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c)
        table[c] = static_cast<uint8_t>(c - 'a' + 10);
    table['\r'] = kLineEnd;
    table['\n'] = kLineEnd;
    return table;
}

constexpr std::array<uint8_t, 256> kDigit = MakeDigitTable();

enum RecordType : uint8_t {
    DataRecord = 0,
    EndOfFileRecord = 1,
    ExtendedSegmentAddress = 2,
    StartSegmentAddress = 3,
    ExtendedLinearAddress = 4,
    StartLinearAddress = 5,
};

} // namespace

bool CIntelHexReader::OpenAndMap(const std::wstring& path)
{
    Unmap();
    if (!mapping_.Open(path))
        return false;
    AttachText(mapping_.Data(), mapping_.Size());
    return true;
}

void CIntelHexReader::AttachText(const uint8_t* text, size_t size)
{
    begin_ = text;
    current_ = text;
    end_ = text ? text + size : text;
}

void CIntelHexReader::Unmap()
{
    mapping_.Close();
    begin_ = current_ = end_ = nullptr;
}

bool CIntelHexReader::Fail(uint32_t code)
{
    SetLastErrorCode(code);
    return false;
}

bool CIntelHexReader::ReadAll()
{
    current_ = begin_;
    endOfFileSeen_ = false;
    baseAddress_ = 0;
    summary_ = HexFileSummary{};
    while (current_ < end_ && !endOfFileSeen_) {
        if (!ReadRecord())
            return false;
    }
    return endOfFileSeen_ || Fail(MSG_HEX_NO_EOF);
}

bool CIntelHexReader::FindRecordStart()
{
    // A record starts at a colon that is the first character of a line; a colon anywhere else
    // (inside a line, or after a record's checksum) is ordinary text.
    while (current_ < end_) {
        const void* found = std::memchr(current_, ':', static_cast<size_t>(end_ - current_));
        if (!found) {
            current_ = end_;
            return false;
        }
        const uint8_t* colon = static_cast<const uint8_t*>(found);
        current_ = colon + 1;
        if (colon == begin_ || colon[-1] == '\n' || colon[-1] == '\r')
            return true;
    }
    return false;
}

bool CIntelHexReader::ReadByteSlowly(uint8_t& out)
{
    uint8_t digits[2];
    for (uint8_t& digit : digits) {
        while (current_ < end_ && kDigit[*current_] == kLineEnd)
            ++current_;
        if (current_ == end_ || kDigit[*current_] >= 16)
            return Fail(MSG_UNEXPECTED_HEX_CHARACTER);
        digit = kDigit[*current_++];
    }
    out = static_cast<uint8_t>(digits[0] << 4 | digits[1]);
    runningSum_ = static_cast<uint8_t>(runningSum_ + out);
    return true;
}

bool CIntelHexReader::ReadBytes(uint8_t* out, size_t count)
{
    // Fast path: all digits on one line and inside the text, decoded without a branch per digit;
    // any other character sends the whole run to the careful path, which skips line breaks and
    // names the first bad character.
    if (static_cast<size_t>(end_ - current_) >= 2 * count) {
        const uint8_t* text = current_;
        unsigned flags = 0;
        unsigned sum = 0;
        for (size_t i = 0; i < count; ++i) {
            unsigned high = kDigit[text[2 * i]];
            unsigned low = kDigit[text[2 * i + 1]];
            flags |= high | low;
            unsigned value = (high << 4 | low) & 0xFF;
            out[i] = static_cast<uint8_t>(value);
            sum += value;
        }
        if (flags < 16) {
            current_ += 2 * count;
            runningSum_ = static_cast<uint8_t>(runningSum_ + sum);
            return true;
        }
    }
    for (size_t i = 0; i < count; ++i) {
        if (!ReadByteSlowly(out[i]))
            return false;
    }
    return true;
}

void CIntelHexReader::TakeData(uint32_t address, uint8_t count)
{
    uint64_t end = uint64_t{address} + count;
    if (summary_.dataRecords == 0 || address < summary_.lowAddress)
        summary_.lowAddress = address;
    summary_.endAddress = std::max(summary_.endAddress, end);
    ++summary_.dataRecords;
    summary_.dataBytes += count;

    if (!destinationBegin_) {
        low_ = std::min(low_, address);
        high_ = static_cast<uint32_t>(std::max<uint64_t>(high_, std::min<uint64_t>(end, 0xFFFFFFFFu)));
        return;
    }
    // A record that starts outside the window is ignored whole, even if it reaches into it.
    if (address < low_ || address >= high_)
        return;
    size_t offset = address - low_;
    size_t room = static_cast<size_t>(destinationEnd_ - destinationBegin_);
    if (offset >= room)
        return;
    std::memcpy(destinationBegin_ + offset, recordData_, std::min<size_t>(count, room - offset));
}

bool CIntelHexReader::ReadRecord()
{
    for (;;) {
        runningSum_ = 0;
        if (!FindRecordStart())
            return Fail(MSG_HEX_NO_EOF);
        uint8_t header[4];
        if (!ReadBytes(header, 4))
            return false;
        const uint8_t count = header[0];
        const uint32_t address = uint32_t{header[1]} << 8 | header[2];
        const uint8_t type = header[3];
        // The data and the checksum byte in one run.
        if (!ReadBytes(recordData_, count))
            return false;
        uint8_t checksum;
        if (!ReadBytes(&checksum, 1))
            return false;
        if (runningSum_ != 0)
            return Fail(MSG_HEX_CHECKSUM);
        if (type > StartLinearAddress)
            return Fail(MSG_HEX_RECORD_TYPE);
        ++summary_.records;
        switch (type) {
        case DataRecord:
            TakeData(baseAddress_ + address, count);
            return true;
        case EndOfFileRecord:
            endOfFileSeen_ = true;
            return true;
        case ExtendedSegmentAddress:
        case ExtendedLinearAddress: {
            // A record too short to carry its address would leave the base undefined.
            if (count < 2)
                return Fail(MSG_HEX_DATA_LENGTH);
            uint32_t value = uint32_t{recordData_[0]} << 8 | recordData_[1];
            baseAddress_ = type == ExtendedSegmentAddress ? value << 4 : value << 16;
            break;
        }
        default: // start addresses (03, 05) mean nothing for an image
            break;
        }
    }
}

bool ValidateHexFile(const std::wstring& path, HexFileSummary& summary)
{
    CIntelHexReader reader;
    if (!reader.OpenAndMap(path)) {
        summary = HexFileSummary{};
        return false;
    }
    reader.SetWindow(0, 0xFFFFFFFFu);
    reader.SetDestination(nullptr, nullptr);
    bool ok = reader.ReadAll();
    uint32_t code = GetLastErrorCode();
    summary = reader.GetSummary();
    reader.Unmap();
    SetLastErrorCode(code);
    return ok;
}

bool ValidateHexFile(const std::wstring& path)
{
    HexFileSummary summary;
    return ValidateHexFile(path, summary);
}

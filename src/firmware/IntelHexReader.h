// Reads an Intel HEX file through one read-only mapping: checks it, or copies its data into a window.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/FileMapping.h"

// What a whole-file check saw; filled by ReadAll whether it succeeds or not.
struct HexFileSummary {
    uint32_t records = 0;     // records read, the end-of-file record included
    uint32_t dataRecords = 0; // type 00 records among them
    uint64_t dataBytes = 0;   // data bytes those records carry
    uint32_t lowAddress = 0;  // lowest data record address (0 when there was none)
    uint64_t endAddress = 0;  // first address past the highest data byte (0 when there was none)
};

// A short-lived reader on the stack of the operation that reads a file. Records are found by a
// colon in the first column of a line; everything else between records is ignored. A record's
// hex digits may be broken across lines. Reading stops at the end-of-file record.
//
// Copy mode (a destination set): a data record whose address lies in [low, high) is copied to
// destination + (address - low), cut at the destination's end; a record that starts outside the
// window is ignored whole. Without a destination the reader only widens [low, high) to cover the
// data records. Failures return false with a status code in the thread's last-error value:
// 0xE200000B bad digit or text ending inside a record, 0xE2000021 record type above 5,
// 0xE2000022 record checksum, 0xE2000023 no end-of-file record, 0xE2000040 an extended address
// record too short to hold its address; the system's code when the file cannot be mapped.
class CIntelHexReader {
public:
    CIntelHexReader() = default;
    ~CIntelHexReader() { Unmap(); }
    CIntelHexReader(const CIntelHexReader&) = delete;
    CIntelHexReader& operator=(const CIntelHexReader&) = delete;

    // Opens the existing file with read sharing and maps all of it read-only.
    bool OpenAndMap(const std::wstring& path);
    // Reads text the caller already holds in memory instead of a file; the caller keeps it alive.
    void AttachText(const uint8_t* text, size_t size);
    // Releases the view, the mapping and the file, and forgets the text.
    void Unmap();

    void SetWindow(uint32_t low, uint32_t high)
    {
        low_ = low;
        high_ = high;
    }
    // An empty destination (begin null) selects the check-only mode.
    void SetDestination(uint8_t* begin, uint8_t* end)
    {
        destinationBegin_ = begin;
        destinationEnd_ = end;
    }

    // Reads every record from the start of the text up to the end-of-file record.
    bool ReadAll();

    uint32_t GetLowAddress() const { return low_; }
    uint32_t GetHighAddress() const { return high_; }
    bool IsEndOfFileSeen() const { return endOfFileSeen_; }
    const HexFileSummary& GetSummary() const { return summary_; }

private:
    bool ReadRecord();
    bool FindRecordStart();
    bool ReadBytes(uint8_t* out, size_t count);
    bool ReadByteSlowly(uint8_t& out);
    void TakeData(uint32_t address, uint8_t count);
    bool Fail(uint32_t code);

    CFileMapping mapping_;
    const uint8_t* begin_ = nullptr;
    const uint8_t* current_ = nullptr;
    const uint8_t* end_ = nullptr;
    uint32_t high_ = 0;
    uint32_t low_ = 0;
    uint32_t baseAddress_ = 0;
    bool endOfFileSeen_ = false;
    uint8_t* destinationBegin_ = nullptr;
    uint8_t* destinationEnd_ = nullptr;
    uint8_t runningSum_ = 0;
    HexFileSummary summary_;
    uint8_t recordData_[255] = {};
};

// Checks a whole HEX file (no destination: window 0 to 0xFFFFFFFF): true when it is well formed
// up to its end-of-file record. The second form also tells what the file covers.
bool ValidateHexFile(const std::wstring& path);
bool ValidateHexFile(const std::wstring& path, HexFileSummary& summary);

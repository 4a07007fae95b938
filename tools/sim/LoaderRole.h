// The module's bootstrap loader as the simulator plays it: the "D" echo, 68-byte download blocks, the reset.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "FirmwareRole.h"
#include "SimRole.h"
#include "SimStats.h"

// A fault chosen for one download block: `count` times, the block numbered `block` gets it.
// Blocks are numbered from 1 by their load address (0x0800 is block 1, 0x7D80 block 471); the
// final block (0x0800 again, byte 66 = 0x02) is block 472.
struct BlockFault {
    unsigned block = 0;
    unsigned count = 1;
};

struct LoaderBehaviour {
    bool startInLoader = false;  // the module starts in its bootstrap loader, waiting for "D"
    bool noEcho = false;         // never echoes "D": the download never starts
    bool wrongRevision = false;  // after the reset the firmware reports a revision other than the new one
    long resetMs = 1000;         // silence after the final block before the firmware runs
    long newRevision = -1;       // the firmware's revision after the reset; -1: the old one + 1
    unsigned hangupAfterBlock = 0; // hang up once this block has been answered (0: never)
    std::vector<BlockFault> rejects;  // answer "N" to a good block
    std::vector<BlockFault> dropAcks; // accept a good block but say nothing
    std::string imageOut;        // where to write the received image as Intel HEX (empty: nowhere)
};

// Waiting (before the download): ";" is answered ";", "V" gets nothing, "D" is echoed and starts
// the download. Collecting: every byte goes into a 68-byte block buffer; a full block is answered
// "A" when its bytes add up to 0 modulo 256, byte 66 is 0 and its 64 bytes lie inside 0x0800 to
// 0x7DC0; "B" when it is the final block (0x0800, byte 66 = 0x02, good checksum); "N" otherwise.
// ";" is a fill byte like any other, so fill bytes complete a partial block, which is then
// rejected. A ";" at a block boundary is a poll and is answered "N" at once -- unless another
// byte follows it within kPollGapMs, in which case it was the first byte of a block (an image may
// well hold 0x3B there; a block arrives in one go, the host's polls 100 ms apart). Resetting:
// silence for the reset time, then the firmware runs with the new revision.
class CLoaderRole : public ISimRole {
public:
    static constexpr uint32_t kLowAddress = 0x0800;
    static constexpr uint32_t kHighAddress = 0x7DC0;
    static constexpr size_t kBlockSize = 68;
    static constexpr size_t kDataSize = 64;
    static constexpr unsigned kImageBlocks = (kHighAddress - kLowAddress) / kDataSize; // 471
    static constexpr unsigned kFinalBlockNumber = kImageBlocks + 1;
    static constexpr uint64_t kPollGapMs = 20;

    // `firmware` is the role the module returns to after the reset, `stats` collects the block
    // counts and turnaround; both outlive this role. `silent`: the module answers nothing.
    CLoaderRole(const LoaderBehaviour& behaviour, CFirmwareRole& firmware, SimStats& stats, bool silent, bool log);

    const char* Name() const override { return "bootstrap loader"; }
    void Enter(uint64_t nowMs) override;
    void OnByte(uint8_t byte, uint64_t nowMs, ISimLink& link) override;
    void OnTick(uint64_t nowMs, ISimLink& link) override;

    // What the loader holds: 0x0800 up to 0x7DC0, 0xFF where no block wrote.
    const std::vector<uint8_t>& Image() const { return image_; }
    // The revision the firmware will report after the reset.
    unsigned RevisionAfterReset() const;

private:
    enum class Phase { Waiting, Collecting, Resetting };

    void OnWaitingByte(uint8_t byte, ISimLink& link);
    void OnCollectingByte(uint8_t byte, uint64_t nowMs, ISimLink& link);
    void JudgeBlock(uint64_t nowMs, ISimLink& link);
    void Answer(char answer, ISimLink& link);
    // True (and one use spent) when a fault of `faults` applies to block `number` now.
    static bool TakeFault(std::vector<BlockFault>& faults, unsigned number);
    void Log(const std::string& text) const;

    LoaderBehaviour behaviour_;
    CFirmwareRole& firmware_;
    SimStats& stats_;
    bool silent_;
    bool log_;

    Phase phase_ = Phase::Waiting;
    std::vector<uint8_t> block_;
    std::vector<uint8_t> image_;
    bool pollPending_ = false; // a ";" at a block boundary, not yet known to be a poll
    uint64_t pollSinceMs_ = 0;
    uint64_t blockReadNs_ = 0; // when the first byte of the block being collected was read
    bool ackAnswered_ = false; // the last answer was an "A": the next byte starts the host's turnaround
    uint64_t resetSinceMs_ = 0;
    unsigned oldRevision_ = 0;
    bool hungUp_ = false;
};

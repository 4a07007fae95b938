// The module's bootstrap loader as the simulator plays it.
#include "LoaderRole.h"

#include "HexImageFile.h"

#include <algorithm>
#include <cstdio>

CLoaderRole::CLoaderRole(const LoaderBehaviour& behaviour, CFirmwareRole& firmware, SimStats& stats, bool silent,
                         bool log)
    : behaviour_(behaviour), firmware_(firmware), stats_(stats), silent_(silent), log_(log),
      image_(kHighAddress - kLowAddress, 0xFF)
{
    block_.reserve(kBlockSize);
}

void CLoaderRole::Enter(uint64_t /*nowMs*/)
{
    phase_ = Phase::Waiting;
    block_.clear();
    pollPending_ = false;
    ackAnswered_ = false;
    oldRevision_ = firmware_.Revision();
}

unsigned CLoaderRole::RevisionAfterReset() const
{
    const unsigned fresh = behaviour_.newRevision >= 0 ? static_cast<unsigned>(behaviour_.newRevision)
                                                       : (oldRevision_ + 1) % 1000;
    if (!behaviour_.wrongRevision)
        return fresh;
    // As if the new firmware had not taken: the old revision, or another one when they are equal.
    return oldRevision_ != fresh ? oldRevision_ : (fresh + 1) % 1000;
}

void CLoaderRole::OnByte(uint8_t byte, uint64_t nowMs, ISimLink& link)
{
    switch (phase_) {
    case Phase::Waiting:
        OnWaitingByte(byte, link);
        break;
    case Phase::Collecting:
        OnCollectingByte(byte, nowMs, link);
        break;
    case Phase::Resetting:
        break; // the module is restarting and hears nothing
    }
}

void CLoaderRole::OnWaitingByte(uint8_t byte, ISimLink& link)
{
    switch (byte) {
    case ';':
        Answer(';', link);
        break;
    case 'D':
        if (behaviour_.noEcho) {
            Log("not echoing \"D\", as asked");
            break;
        }
        Answer('D', link);
        stats_.echoReadNs = link.ByteReadNs();
        phase_ = Phase::Collecting;
        block_.clear();
        break;
    default:
        break; // "V" and anything else: the loader has no revision to tell
    }
}

void CLoaderRole::OnCollectingByte(uint8_t byte, uint64_t nowMs, ISimLink& link)
{
    if (pollPending_) {
        // Another byte came right after the ";": it was the first byte of a block.
        pollPending_ = false;
        block_.push_back(';');
    }
    if (block_.empty()) {
        blockReadNs_ = link.ByteReadNs();
        if (ackAnswered_) {
            ackAnswered_ = false;
            const uint64_t read = link.ByteReadNs();
            const uint64_t sent = link.LastSentNs();
            if (read != 0 && sent != 0 && read >= sent)
                stats_.turnaroundNs.push_back(read - sent);
        }
        if (byte == ';') {
            pollPending_ = true;
            pollSinceMs_ = nowMs;
            return;
        }
    }
    block_.push_back(byte);
    if (block_.size() == kBlockSize)
        JudgeBlock(nowMs, link);
}

void CLoaderRole::OnTick(uint64_t nowMs, ISimLink& link)
{
    if (phase_ == Phase::Collecting && pollPending_ && nowMs - pollSinceMs_ >= kPollGapMs) {
        pollPending_ = false;
        Log("poll at a block boundary");
        Answer('N', link);
        return;
    }
    if (phase_ == Phase::Resetting && nowMs - resetSinceMs_ >= static_cast<uint64_t>(behaviour_.resetMs)) {
        firmware_.SetRevision(RevisionAfterReset());
        link.SwitchTo(SimRoleId::Firmware);
    }
}

void CLoaderRole::JudgeBlock(uint64_t nowMs, ISimLink& link)
{
    unsigned sum = 0;
    for (uint8_t b : block_)
        sum += b;
    const uint32_t address = block_[64] | static_cast<uint32_t>(block_[65]) << 8;
    const uint8_t flag = block_[66];
    const bool good = (sum & 0xFF) == 0;
    const bool final = good && flag == 0x02 && address == kLowAddress;
    const bool data = good && flag == 0x00 && address >= kLowAddress && address + kDataSize <= kHighAddress;
    if (!final && !data) {
        Log("bad block rejected");
        block_.clear();
        ++stats_.blocksRejected;
        Answer('N', link);
        return;
    }
    const unsigned number = final ? kFinalBlockNumber : (address - kLowAddress) / kDataSize + 1;
    if (TakeFault(behaviour_.rejects, number)) {
        Log("block " + std::to_string(number) + " rejected, as asked");
        block_.clear();
        ++stats_.blocksRejected;
        Answer('N', link);
        return;
    }
    std::copy(block_.begin(), block_.begin() + kDataSize, image_.begin() + (address - kLowAddress));
    block_.clear();
    ++stats_.blocksAccepted;
    if (TakeFault(behaviour_.dropAcks, number)) {
        Log("block " + std::to_string(number) + " taken, its answer dropped, as asked");
    } else {
        Answer(final ? 'B' : 'A', link);
        ackAnswered_ = !final;
    }
    if (final) {
        if (!behaviour_.imageOut.empty()) {
            std::string error;
            if (!WriteIntelHexImage(behaviour_.imageOut, kLowAddress, image_, error))
                std::fprintf(stderr, "mt6402sim: %s\n", error.c_str());
        }
        phase_ = Phase::Resetting;
        resetSinceMs_ = nowMs;
        stats_.finalBlockReadNs = blockReadNs_;
        Log("final block taken; resetting");
    }
    if (number == behaviour_.hangupAfterBlock && !hungUp_) {
        hungUp_ = true;
        Log("hanging up after block " + std::to_string(number) + ", as asked");
        link.HangUp();
    }
}

void CLoaderRole::Answer(char answer, ISimLink& link)
{
    if (silent_)
        return;
    link.Send(std::string_view(&answer, 1));
}

bool CLoaderRole::TakeFault(std::vector<BlockFault>& faults, unsigned number)
{
    for (BlockFault& fault : faults) {
        if (fault.block == number && fault.count > 0) {
            --fault.count;
            return true;
        }
    }
    return false;
}

void CLoaderRole::Log(const std::string& text) const
{
    if (log_)
        std::fprintf(stderr, "mt6402sim: %s\n", text.c_str());
}

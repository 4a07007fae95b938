// What the simulator measured during a session: bytes each way, block turnaround, and when the line was busy.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Times are nanoseconds of the monotonic clock (the clock a benchmark on the same machine reads).
struct SimStats {
    uint64_t receivedBytes = 0; // bytes the program wrote to the module
    uint64_t sentBytes = 0;     // bytes the module wrote to the program
    uint64_t firstReceivedNs = 0;
    uint64_t lastSentNs = 0;
    uint64_t echoReadNs = 0;       // when the "D" that started the download was read
    uint64_t finalBlockReadNs = 0; // when the first byte of the final block was read
    uint64_t blocksAccepted = 0; // download blocks answered "A" or "B"
    uint64_t blocksRejected = 0; // answered "N"
    // The program's turnaround per block: from the moment the module's "A" left the terminal to
    // the moment the first byte of the next block was read from it.
    std::vector<uint64_t> turnaroundNs;
    // With wire time: how late the simulator handed each reply to the terminal after its bytes had
    // crossed the emulated wire (the emulation's own error, which lengthens the load).
    std::vector<uint64_t> sendLatenessNs;

    void NoteReceived(uint64_t count, uint64_t nowNs);
    void NoteSent(uint64_t count, uint64_t nowNs);

    // "name value" lines: the counts, the line speed, the turnaround's count, median and maximum
    // in microseconds. False with `error` when the file cannot be written.
    bool WriteTo(const std::string& path, long bitsPerSecond, std::string& error) const;
};

// The median of the samples (the mean of the middle two for an even count); 0 for none.
double MedianOf(std::vector<uint64_t> samples);

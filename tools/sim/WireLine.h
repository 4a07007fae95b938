// The serial line's wire time: 10 bits per byte at the emulated speed, each direction on its own schedule.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

// Times are nanoseconds of one monotonic clock. A byte read from the terminal at time r has
// crossed the wire only once its 10 bits have: at max(r, the previous byte's end) + one byte
// time; a byte a role sends at time s leaves the terminal at max(s, the previous byte's end) +
// one byte time. The schedule is computed from these times, never from when the loop happened
// to wake, so the emulated line neither drifts nor gathers the loop's delays.
// With a speed of 0 nothing is paced: every byte is due at the moment it is handed over.
class CWireLine {
public:
    explicit CWireLine(long bitsPerSecond = 0);

    bool Paced() const { return byteNs_ != 0; }
    uint64_t ByteNs() const { return byteNs_; }

    // Bytes the program wrote, read from the terminal at `readNs`.
    void Receive(std::string_view bytes, uint64_t readNs);
    // The oldest received byte whose time has come (due <= nowNs): its value, the moment it
    // finished crossing the wire and the moment it was read. False when none is due.
    bool TakeReceived(uint64_t nowNs, uint8_t& byte, uint64_t& dueNs, uint64_t& readNs);

    // Bytes a role sends, ready at `readyNs`.
    void Send(std::string_view bytes, uint64_t readyNs);
    // Appends to `out` every sent byte that has crossed the wire by `nowNs`; returns how many, and
    // in `lastDueNs` (when some were taken) the moment the last of them finished crossing.
    size_t TakeSendable(uint64_t nowNs, std::string& out, uint64_t* lastDueNs = nullptr);
    // The moment the next byte to send finishes crossing the wire; UINT64_MAX when none waits.
    uint64_t NextSendDeadline() const;
    bool HasUnsent() const { return !outgoing_.empty(); }

    // The earliest moment a queued byte in either direction falls due; UINT64_MAX when none waits.
    uint64_t NextDeadline() const;

private:
    struct TimedByte {
        uint8_t byte;
        uint64_t dueNs;
        uint64_t readNs;
    };

    uint64_t byteNs_;
    uint64_t incomingEndNs_ = 0; // when the last received byte finished crossing the wire
    uint64_t outgoingEndNs_ = 0; // when the last sent byte will have crossed it
    std::deque<TimedByte> incoming_;
    std::deque<TimedByte> outgoing_;
};

// What the simulator's roles are and what they may do: the module's running firmware and its bootstrap loader.
#pragma once
#include <cstdint>
#include <string_view>

// The roles the simulated module can play; the loop switches between them when a role asks.
enum class SimRoleId {
    Firmware, // the running firmware: ";" polls and the "V" revision query
    Loader,   // the bootstrap loader: the "D" echo and the download blocks
};

// The loop's side of a role: bytes to send to the program, a switch to another role.
class ISimLink {
public:
    virtual ~ISimLink() = default;
    virtual void Send(std::string_view bytes) = 0;
    virtual void SwitchTo(SimRoleId role) = 0;
    // Closes the line once everything sent so far has left; the simulator then ends.
    virtual void HangUp() {}
    // When the byte being handed to the role was read from the terminal, and when the last byte
    // the module sent left it (monotonic nanoseconds; 0 when unknown): the program's turnaround.
    virtual uint64_t ByteReadNs() const { return 0; }
    virtual uint64_t LastSentNs() const { return 0; }
};

// One role of the module. The loop hands it every byte the program sends, in order, and a tick at
// least every 10 ms so that a role can keep time (reset delays, wire-speed emulation).
class ISimRole {
public:
    virtual ~ISimRole() = default;
    virtual const char* Name() const = 0;
    // The role becomes the module's current one.
    virtual void Enter(uint64_t /*nowMs*/) {}
    virtual void OnByte(uint8_t byte, uint64_t nowMs, ISimLink& link) = 0;
    virtual void OnTick(uint64_t /*nowMs*/, ISimLink& /*link*/) {}
};

// Reading from a real serial port in a test: waits for WM_COMM_EVENT with a deadline instead of sleeping.
#pragma once
#include <chrono>
#include <string>

#include "WaitingTarget.h"
#include "serial/SerialPortInterface.h"

// Reads until `wanted` bytes have come or `timeout` has passed; `window` is the port's message
// window. Returns what was read (less than `wanted` after a time-out or a failed read).
std::string ReadBytes(ISerialPort& port, WaitingTarget& window, size_t wanted,
                      std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Reads until the last byte read is `terminator`; empty when no complete reply came in time.
std::string ReadReply(ISerialPort& port, WaitingTarget& window, char terminator,
                      std::chrono::milliseconds timeout = std::chrono::seconds(3));

// A pseudo-terminal the test holds the master of: the port under test opens its slave side.
#pragma once
#include <chrono>
#include <string>
#include <string_view>

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool IsOpen() const { return master_ >= 0; }
    const std::string& SlavePath() const { return slavePath_; }

    // The far end sends bytes to the port.
    bool Send(std::string_view bytes);
    // What the port has sent: waits up to `timeout` for the first byte, then takes what has come
    // until `wanted` bytes are there or the line stays quiet for `settle`.
    std::string Receive(size_t wanted, std::chrono::milliseconds timeout = std::chrono::seconds(5),
                        std::chrono::milliseconds settle = std::chrono::milliseconds(50));
    // Whether the slave side is closed (nobody has the port open).
    bool SlaveClosed() const;
    // The far end hangs up.
    void HangUp();

private:
    int master_ = -1;
    std::string slavePath_;
};

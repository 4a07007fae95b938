// Ctrl+C as a message: the console's stop request posted to a target of the event loop.
#pragma once
#include <cstdint>
#include <memory>

class IMessageTarget;

// While the object lives, Ctrl+C (and Ctrl+Break; on Linux SIGINT and SIGTERM) no longer ends the
// process: each request posts `message` to `target`, so the loop's owner can stop cleanly -- close
// the port, write the settings -- between two events. On Linux the signal handler only writes a
// byte to a pipe, which a small thread turns into the post; on Windows the console's control
// handler posts. One object at a time; the previous handling returns when it is destroyed.
class CStopRequests {
public:
    CStopRequests(IMessageTarget& target, uint32_t message);
    ~CStopRequests();
    CStopRequests(const CStopRequests&) = delete;
    CStopRequests& operator=(const CStopRequests&) = delete;

    // False when the requests could not be caught (the reason is in the last error); Ctrl+C then
    // ends the process as usual.
    bool IsValid() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

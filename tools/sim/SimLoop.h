// The simulator's main loop: bytes from the program to the current role, the role's replies back, hang-ups and exit.
#pragma once
#include <csignal>
#include <cstdint>
#include <string>

#include "FirmwareRole.h"
#include "LoaderRole.h"
#include "PseudoTerminal.h"
#include "SimOptions.h"
#include "SimRole.h"
#include "SimStats.h"
#include "WireLine.h"

class CSimLoop : public ISimLink {
public:
    CSimLoop(CPseudoTerminal& terminal, const SimOptions& options);

    // Runs until `stop` is set (by a signal), the program has been gone for the linger time after
    // having opened the port, or the hang-up time has come. Returns the exit status.
    int Run(const volatile std::sig_atomic_t& stop);

    void Send(std::string_view bytes) override;
    void SwitchTo(SimRoleId role) override;
    void HangUp() override;
    uint64_t ByteReadNs() const override { return byteReadNs_; }
    uint64_t LastSentNs() const override { return lastSentNs_; }

    const SimStats& Stats() const { return stats_; }

private:
    static uint64_t Now();
    static uint64_t NowNs();
    ISimRole& Role(SimRoleId role);
    void Receive(uint64_t nowNs);
    // Hands the role every received byte whose wire time has passed.
    void DeliverDue(uint64_t nowNs);
    // Moves the sent bytes whose wire time has passed to the terminal.
    void Transmit(uint64_t nowNs);
    void Flush();
    // How long the next wait may last: a tick, or less when a byte falls due sooner.
    uint64_t WaitNs(uint64_t nowNs) const;
    // With wire time, whether the loop should look again at once instead of sleeping.
    bool ShouldSpin(uint64_t nowNs) const;
    void Log(const char* direction, std::string_view bytes) const;

    CPseudoTerminal& terminal_;
    const SimOptions& options_;
    SimStats stats_;
    CWireLine wire_;
    CFirmwareRole firmware_;
    CLoaderRole loader_;
    ISimRole* current_;
    std::string pending_;        // replies not yet taken by the terminal
    uint64_t eventNs_ = 0;       // when the event being handled happened (a byte's wire time, or a tick)
    uint64_t byteReadNs_ = 0;    // when the byte being handled was read from the terminal
    uint64_t lastSentNs_ = 0;    // when the terminal last took bytes from the module
    bool hangUpRequested_ = false;
};

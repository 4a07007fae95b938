// The simulator's main loop: bytes from the program to the current role, the role's replies back, hang-ups and exit.
#pragma once
#include <csignal>
#include <cstdint>
#include <string>

#include "FirmwareRole.h"
#include "PseudoTerminal.h"
#include "SimOptions.h"
#include "SimRole.h"

class CSimLoop : public ISimLink {
public:
    CSimLoop(CPseudoTerminal& terminal, const SimOptions& options);

    // Runs until `stop` is set (by a signal), the program has been gone for the linger time after
    // having opened the port, or the hang-up time has come. Returns the exit status.
    int Run(const volatile std::sig_atomic_t& stop);

    void Send(std::string_view bytes) override;
    void SwitchTo(SimRoleId role) override;

private:
    static uint64_t Now();
    ISimRole& Role(SimRoleId role);
    void Receive(uint64_t now);
    void Flush();
    void Log(const char* direction, std::string_view bytes) const;

    CPseudoTerminal& terminal_;
    const SimOptions& options_;
    CFirmwareRole firmware_;
    // A bootstrap-loader role joins here, with a SimRoleId of its own.
    ISimRole* current_;
    std::string pending_; // replies not yet taken by the terminal
};

// The simulator's pseudo-terminal: the master it keeps, the slave the program opens, an optional link to the slave.
#pragma once
#include <string>

class CPseudoTerminal {
public:
    CPseudoTerminal() = default;
    ~CPseudoTerminal();
    CPseudoTerminal(const CPseudoTerminal&) = delete;
    CPseudoTerminal& operator=(const CPseudoTerminal&) = delete;

    // Opens a master (non-blocking) and puts the slave side into raw mode, so the line discipline
    // neither echoes nor translates a byte. False with a message on failure.
    bool Open(std::string& error);
    int Master() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }

    // Makes `path` a symbolic link to the slave, replacing whatever was there in one step. The link
    // is removed again when the terminal closes, if it still points at this slave.
    bool Link(const std::string& path, std::string& error);

    // Closes the master: the program on the slave side sees a hang-up.
    void Close();

private:
    int master_ = -1;
    std::string slavePath_;
    std::string link_;
};

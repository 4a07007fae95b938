// The simulator's command line.
#pragma once
#include <string>

#include "FirmwareRole.h"
#include "LoaderRole.h"

struct SimOptions {
    FirmwareBehaviour firmware;
    LoaderBehaviour loader;
    long baud = 0;           // emulated line speed in bit/s (0: no wire time)
    std::string statsPath;   // where to write the session's measurements at exit
    long hangupAfterMs = -1; // closes the master this long after the program first opened the slave
    long lingerMs = 2000;    // exits once the program has been gone this long (0: stays until signalled)
    std::string link;        // also make this path a symbolic link to the slave
    bool log = false;        // what is received and sent, to standard error
    bool help = false;
};

// False with a message for an unknown option or a bad value.
bool ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& error);

extern const char kSimUsage[];

// The simulator's pseudo-terminal.
#include "PseudoTerminal.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
std::string Describe(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}
} // namespace

CPseudoTerminal::~CPseudoTerminal()
{
    Close();
}

bool CPseudoTerminal::Open(std::string& error)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0) {
        error = Describe("posix_openpt");
        return false;
    }
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = Describe("unlockpt");
        return false;
    }
    char name[PATH_MAX];
    if (::ptsname_r(master_, name, sizeof(name)) != 0) {
        error = Describe("ptsname");
        return false;
    }
    slavePath_ = name;
    // Raw on the slave side too: the settings stay with the terminal after this descriptor closes.
    int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        error = Describe(name);
        return false;
    }
    termios settings{};
    bool raw = ::tcgetattr(slave, &settings) == 0;
    if (raw) {
        ::cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD;
        raw = ::tcsetattr(slave, TCSANOW, &settings) == 0;
    }
    if (!raw)
        error = Describe("tcsetattr");
    ::close(slave);
    return raw;
}

bool CPseudoTerminal::Link(const std::string& path, std::string& error)
{
    std::string temporary = path + ".tmp" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(slavePath_.c_str(), temporary.c_str()) != 0) {
        error = Describe(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        error = Describe(path.c_str());
        ::unlink(temporary.c_str());
        return false;
    }
    link_ = path;
    return true;
}

void CPseudoTerminal::Close()
{
    if (!link_.empty()) {
        char target[PATH_MAX];
        ssize_t length = ::readlink(link_.c_str(), target, sizeof(target) - 1);
        if (length > 0 && slavePath_ == std::string(target, static_cast<size_t>(length)))
            ::unlink(link_.c_str());
        link_.clear();
    }
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

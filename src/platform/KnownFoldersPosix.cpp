// The user's data folder off Windows: the XDG data home ($XDG_DATA_HOME, else ~/.local/share).
#include "platform/KnownFolders.h"
#include "platform/TextConversion.h"

#include <cstdlib>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()))
        if (entry->pw_dir && *entry->pw_dir)
            return entry->pw_dir;
    return {};
}

// Creates every missing level of an absolute path, private to the user as the XDG rules ask.
void CreatePrivatePath(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);
    ::mkdir(path.c_str(), 0700);
}

} // namespace

std::wstring GetUserDataFolder(IMessageTarget*)
{
    std::string folder;
    // A relative XDG_DATA_HOME is invalid by the XDG rules and is ignored.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/') {
        folder = dataHome;
    } else {
        std::string home = HomeFolder();
        if (home.empty())
            return {};
        folder = home + "/.local/share";
    }
    CreatePrivatePath(folder);
    return FromUtf8(folder);
}

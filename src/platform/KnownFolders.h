// The user's per-user data folder, where the program keeps its default firmware folder.
#pragma once
#include <string>

class IMessageTarget;

// Windows: the roaming application-data folder, else the documents folder (the shell's folder
// query, owned by `owner`'s window). Elsewhere: $XDG_DATA_HOME, else ~/.local/share.
// Empty when the system names neither.
std::wstring GetUserDataFolder(IMessageTarget* owner);

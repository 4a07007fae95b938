// The firmware folder on disk: its default place, asking to create a missing one, creating paths.
#pragma once
#include <string>

class IMessageTarget;

// The default firmware folder: "Norvanta" then "MT6402 Firmware" below the user's data folder
// (application data on Windows, the XDG data home elsewhere). Both levels are created on the way;
// a level that cannot be created is left for a later check to find. Empty when the system names
// no user data folder.
std::wstring GetDefaultFirmwareFolder(IMessageTarget* owner);

// True when `path` is an existing folder, possibly after the user agreed to create it (asked in
// a Yes/No box owned by `owner`, once per failed attempt); false when the user declined.
bool EnsureFolderExists(IMessageTarget* owner, const std::wstring& path);

// Creates every missing level of `path`; false (with the system's code in the last-error value)
// at the first level that cannot be created.
bool CreateFolderPath(const std::wstring& path);

// `folder` without trailing separators, one separator, then `name`.
std::wstring JoinFolderPath(const std::wstring& folder, const std::wstring& name);

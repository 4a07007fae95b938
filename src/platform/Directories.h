// Folders in the file system: the path separator, testing for a folder, creating one level; moving and removing a file.
#pragma once
#include <string>
#include <string_view>

// The separator the platform writes between path levels: backslash on Windows, '/' elsewhere.
wchar_t PathSeparator();

// True for a character that separates path levels: backslash or '/' on Windows, '/' elsewhere.
bool IsPathSeparator(wchar_t c);

// True when the path names an existing directory.
bool IsExistingDirectory(const std::wstring& path);

// Creates one folder level. Succeeds without any action for a root, a drive ("C:"), a network
// server name or an existing directory, and when the folder already exists; fails for an empty
// path. On failure the system error code is left in the thread's last-error value.
bool CreateFolderLevel(const std::wstring& path);

// Gives the file `from` the name `to` in one step, replacing a file of that name (both in the same
// folder). False with the system's code in the last-error value.
bool MoveFileReplacing(const std::wstring& from, const std::wstring& to);

// Removes the file; true also when there is none. False with the system's code.
bool RemoveFileIfPresent(const std::wstring& path);

// Listing a folder's entries by full path, in the order the file system returns them.
#pragma once
#include <functional>
#include <string>

using FolderEntryVisitor = std::function<void(const std::wstring& path, bool isDirectory)>;

// Calls `visit` with the full path of every entry of `folder` ("." and ".." and sub-folders
// included, each flagged as a directory): the folder's full path, a separator unless it already
// ends in one, and the entry's name. The process's current directory is not changed. False
// (with the system's code in the last-error value) when the folder cannot be listed; an error
// part-way ends the listing quietly.
bool ForEachFolderEntry(const std::wstring& folder, const FolderEntryVisitor& visit);

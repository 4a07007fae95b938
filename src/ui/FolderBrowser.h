// The shell's folder browser, behind one hook so that tests can choose a folder.
#pragma once
#include <functional>
#include <string>

#include <windows.h>

// Shows the browser modally over `owner` with `title`, file-system folders only, `initialFolder`
// selected when it opens (when it names one). True with the folder's path in `chosen` when the
// user picked a folder whose path can be had; false when the user cancelled or picked no such folder.
bool BrowseForFolder(HWND owner, const std::wstring& title, const std::wstring& initialFolder, std::wstring& chosen);

// What BrowseForFolder does instead of the shell's browser; an empty one restores the browser.
// Returns the previous one.
using FolderBrowser =
    std::function<bool(HWND owner, const std::wstring& title, const std::wstring& initialFolder, std::wstring& chosen)>;
FolderBrowser SetFolderBrowser(FolderBrowser browser);

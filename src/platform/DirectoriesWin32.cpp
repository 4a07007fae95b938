// Folder tests and creation on Windows: the shell's path tests and CreateDirectoryW.
#include "platform/Directories.h"
#include "platform/LastError.h"

#include <windows.h>
#include <shlwapi.h>

wchar_t PathSeparator() { return L'\\'; }

bool IsPathSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsExistingDirectory(const std::wstring& path)
{
    return !path.empty() && PathIsDirectoryW(path.c_str());
}

bool CreateFolderLevel(const std::wstring& path)
{
    if (path.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (path.back() == L':' || PathIsRootW(path.c_str()) || PathIsDirectoryW(path.c_str()) ||
        PathIsUNCServerW(path.c_str()))
        return true;
    if (CreateDirectoryW(path.c_str(), nullptr))
        return true;
    return GetLastError() == ERROR_ALREADY_EXISTS;
}

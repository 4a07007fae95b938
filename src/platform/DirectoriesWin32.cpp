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

bool MoveFileReplacing(const std::wstring& from, const std::wstring& to)
{
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    SetLastErrorCode(GetLastError());
    return false;
}

bool RemoveFileIfPresent(const std::wstring& path)
{
    if (DeleteFileW(path.c_str()))
        return true;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return true;
    SetLastErrorCode(error);
    return false;
}

// Folder tests and creation off Windows: stat and mkdir.
#include "platform/Directories.h"
#include "platform/LastError.h"
#include "platform/TextConversion.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

wchar_t PathSeparator() { return L'/'; }

bool IsPathSeparator(wchar_t c) { return c == L'/'; }

bool IsExistingDirectory(const std::wstring& path)
{
    struct stat info {};
    return !path.empty() && ::stat(ToUtf8(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CreateFolderLevel(const std::wstring& path)
{
    if (path.empty()) {
        SetLastErrorCode(ERROR_CODE_INVALID_PARAMETER);
        return false;
    }
    if (path == L"/" || IsExistingDirectory(path))
        return true;
    if (::mkdir(ToUtf8(path).c_str(), 0777) == 0 || errno == EEXIST)
        return true;
    SetLastErrorCode(ErrnoToSystemError(errno));
    return false;
}

bool MoveFileReplacing(const std::wstring& from, const std::wstring& to)
{
    if (::rename(ToUtf8(from).c_str(), ToUtf8(to).c_str()) == 0)
        return true;
    SetLastErrorCode(ErrnoToSystemError(errno));
    return false;
}

bool RemoveFileIfPresent(const std::wstring& path)
{
    if (::unlink(ToUtf8(path).c_str()) == 0 || errno == ENOENT)
        return true;
    SetLastErrorCode(ErrnoToSystemError(errno));
    return false;
}

// Folder tests and creation off Windows: stat and mkdir.
#include "platform/Directories.h"
#include "platform/LastError.h"
#include "platform/TextConversion.h"

#include <cerrno>
#include <sys/stat.h>

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

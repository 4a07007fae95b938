// CFileRead off Windows: open, fstat and read on a file descriptor.
#include "firmware/FileRead.h"

#include "platform/LastError.h"
#include "platform/TextConversion.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool CFileRead::Open(const std::wstring& path)
{
    Close();
    int fd = ::open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetLastErrorCode(ErrnoToSystemError(errno));
        return false;
    }
    // A directory cannot be opened as a file on Windows either.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        uint32_t code = S_ISDIR(info.st_mode) ? ERROR_CODE_ACCESS_DENIED : ErrnoToSystemError(errno);
        ::close(fd);
        SetLastErrorCode(code);
        return false;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    handle_ = fd;
    return true;
}

void CFileRead::Close()
{
    if (handle_ != -1)
        ::close(static_cast<int>(handle_));
    handle_ = -1;
}

uint32_t CFileRead::GetSize()
{
    struct stat info {};
    if (handle_ == -1 || ::fstat(static_cast<int>(handle_), &info) != 0) {
        SetLastErrorCode(handle_ == -1 ? ERROR_CODE_INVALID_HANDLE : ErrnoToSystemError(errno));
        return 0xFFFFFFFFu;
    }
    if (static_cast<uint64_t>(info.st_size) >= 0xFFFFFFFFu) {
        SetLastErrorCode(223); // ERROR_FILE_TOO_LARGE
        return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(info.st_size);
}

bool CFileRead::Read(void* buffer, uint32_t count, uint32_t& bytesRead)
{
    bytesRead = 0;
    if (handle_ == -1) {
        SetLastErrorCode(ERROR_CODE_INVALID_HANDLE);
        return false;
    }
    // Like ReadFile on a disk file: fill the request unless the file ends first.
    auto* out = static_cast<uint8_t*>(buffer);
    while (bytesRead < count) {
        ssize_t got = ::read(static_cast<int>(handle_), out + bytesRead, count - bytesRead);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            SetLastErrorCode(ErrnoToSystemError(errno));
            return false;
        }
        if (got == 0)
            break;
        bytesRead += static_cast<uint32_t>(got);
    }
    return true;
}

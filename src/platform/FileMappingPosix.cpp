// CFileMapping over open, fstat and mmap.
#include "platform/FileMapping.h"
#include "platform/LastError.h"
#include "platform/TextConversion.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

bool CFileMapping::Open(const std::wstring& path)
{
    Close();
    int fd = ::open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetLastErrorCode(ErrnoToSystemError(errno));
        return false;
    }
    file_ = fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        uint32_t code = ErrnoToSystemError(errno);
        Close();
        SetLastErrorCode(code);
        return false;
    }
    // Read the same way as on Windows: a directory is access denied, an empty file cannot be mapped.
    uint32_t refusal = S_ISDIR(info.st_mode) ? ERROR_CODE_ACCESS_DENIED
                       : !S_ISREG(info.st_mode) ? ERROR_CODE_INVALID_PARAMETER
                       : info.st_size == 0      ? ERROR_CODE_FILE_INVALID
                                                : 0;
    if (refusal != 0) {
        Close();
        SetLastErrorCode(refusal);
        return false;
    }
    size_t size = static_cast<size_t>(info.st_size);
    void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (view == MAP_FAILED) {
        uint32_t code = ErrnoToSystemError(errno);
        Close();
        SetLastErrorCode(code);
        return false;
    }
    ::madvise(view, size, MADV_SEQUENTIAL);
    data_ = static_cast<const uint8_t*>(view);
    size_ = size;
    return true;
}

void CFileMapping::Close()
{
    if (data_)
        ::munmap(const_cast<uint8_t*>(data_), size_);
    if (file_ >= 0)
        ::close(static_cast<int>(file_));
    data_ = nullptr;
    size_ = 0;
    file_ = -1;
    mapping_ = -1;
}

// The thread's last-error value off Windows: a per-thread Windows system error code.
#include "platform/LastError.h"

#include <cerrno>

namespace {
thread_local uint32_t lastError = 0;
}

uint32_t GetLastErrorCode() { return lastError; }

void SetLastErrorCode(uint32_t code) { lastError = code; }

uint32_t ErrnoToSystemError(int error)
{
    switch (error) {
    case 0: return 0;
    case ENOENT: case ENXIO: case ENODEV: return ERROR_CODE_FILE_NOT_FOUND;
    case EACCES: case EPERM: case EBUSY: case EIO: return ERROR_CODE_ACCESS_DENIED;
    case EBADF: return ERROR_CODE_INVALID_HANDLE;
    case ENOMEM: return ERROR_CODE_NOT_ENOUGH_MEMORY;
    case ENOTDIR: return 267;      // ERROR_DIRECTORY
    case EINVAL: case ENOTTY: return ERROR_CODE_INVALID_PARAMETER;
    case EPIPE: case ECONNRESET: return ERROR_CODE_BROKEN_PIPE;
    case EEXIST: return ERROR_CODE_ALREADY_EXISTS;
    case ENOSPC: return 112;       // ERROR_DISK_FULL
    case EROFS: return 19;         // ERROR_WRITE_PROTECT
    case ENAMETOOLONG: return 206; // ERROR_FILENAME_EXCED_RANGE
    case EINTR: case ECANCELED: return ERROR_CODE_OPERATION_ABORTED;
    case EAGAIN: return ERROR_CODE_IO_PENDING;
    case ETIMEDOUT: return ERROR_CODE_TIMEOUT;
    default: return 31;            // ERROR_GEN_FAILURE
    }
}

// The thread's last-error value on Windows: the system's own.
#include "platform/LastError.h"

#include <windows.h>

#include <cerrno>

uint32_t GetLastErrorCode() { return ::GetLastError(); }

void SetLastErrorCode(uint32_t code) { ::SetLastError(code); }

uint32_t ErrnoToSystemError(int error)
{
    switch (error) {
    case 0: return 0;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case EACCES: case EPERM: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    default: return ERROR_GEN_FAILURE;
    }
}

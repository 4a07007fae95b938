// The thread's last-error value: the reason a Boolean operation returned false.
#pragma once
#include <cstdint>

// On Windows these are the system's own last-error value; elsewhere a per-thread value
// holding Windows system error codes (see ErrnoToSystemError).
uint32_t GetLastErrorCode();
void SetLastErrorCode(uint32_t code);

// Maps a POSIX errno to the Windows system error code with the same meaning
// (EACCES -> 5 access denied, ENOENT -> 2 not found, ...), so codes read alike on every platform.
uint32_t ErrnoToSystemError(int error);

// Windows system error codes the portable code names.
constexpr uint32_t ERROR_CODE_FILE_NOT_FOUND = 2;
constexpr uint32_t ERROR_CODE_ACCESS_DENIED = 5;
constexpr uint32_t ERROR_CODE_INVALID_HANDLE = 6;
constexpr uint32_t ERROR_CODE_NOT_ENOUGH_MEMORY = 8;
constexpr uint32_t ERROR_CODE_INVALID_DATA = 13;
constexpr uint32_t ERROR_CODE_NO_MORE_FILES = 18;
constexpr uint32_t ERROR_CODE_INVALID_PARAMETER = 87;
constexpr uint32_t ERROR_CODE_BROKEN_PIPE = 109;
constexpr uint32_t ERROR_CODE_INSUFFICIENT_BUFFER = 122;
constexpr uint32_t ERROR_CODE_ALREADY_EXISTS = 183;
constexpr uint32_t ERROR_CODE_MORE_DATA = 234;
constexpr uint32_t ERROR_CODE_OPERATION_ABORTED = 995;
constexpr uint32_t ERROR_CODE_IO_PENDING = 997;
constexpr uint32_t ERROR_CODE_CANCELLED = 1223;
constexpr uint32_t ERROR_CODE_TIMEOUT = 1460;

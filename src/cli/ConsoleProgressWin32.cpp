// The console progress line on Windows: whether a standard stream is a console window (redirected: a file or a pipe).
#include "cli/ConsoleProgress.h"

#include <windows.h>

#include <io.h>

bool IsTerminalStream(std::FILE* stream)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) == FILE_TYPE_CHAR && ::GetConsoleMode(handle, &mode);
}

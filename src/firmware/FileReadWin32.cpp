// CFileRead on Windows: CreateFileW, GetFileSizeEx and ReadFile on a file handle.
#include "firmware/FileRead.h"

#include <windows.h>

namespace {

HANDLE AsHandle(intptr_t value) { return reinterpret_cast<HANDLE>(value); }

} // namespace

bool CFileRead::Open(const std::wstring& path)
{
    Close();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    handle_ = reinterpret_cast<intptr_t>(file);
    return true;
}

void CFileRead::Close()
{
    if (handle_ != -1)
        CloseHandle(AsHandle(handle_));
    handle_ = -1;
}

uint32_t CFileRead::GetSize()
{
    if (handle_ == -1) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0xFFFFFFFFu;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(AsHandle(handle_), &size))
        return 0xFFFFFFFFu;
    if (size.QuadPart >= 0xFFFFFFFFll) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(size.QuadPart);
}

bool CFileRead::Read(void* buffer, uint32_t count, uint32_t& bytesRead)
{
    bytesRead = 0;
    if (handle_ == -1) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    DWORD got = 0;
    if (!ReadFile(AsHandle(handle_), buffer, count, &got, nullptr))
        return false;
    bytesRead = got;
    return true;
}

// CFileMapping over CreateFileW, CreateFileMappingW and MapViewOfFile.
#include "platform/FileMapping.h"
#include "platform/LastError.h"

#include <windows.h>

namespace {

HANDLE AsHandle(intptr_t value) { return reinterpret_cast<HANDLE>(value); }

} // namespace

bool CFileMapping::Open(const std::wstring& path)
{
    Close();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    file_ = reinterpret_cast<intptr_t>(file);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        DWORD code = GetLastError();
        Close();
        SetLastError(code);
        return false;
    }
    // An empty file fails here with the system's own code (ERROR_FILE_INVALID).
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping) {
        DWORD code = GetLastError();
        Close();
        SetLastError(code);
        return false;
    }
    mapping_ = reinterpret_cast<intptr_t>(mapping);
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (!view) {
        DWORD code = GetLastError();
        Close();
        SetLastError(code);
        return false;
    }
    data_ = static_cast<const uint8_t*>(view);
    size_ = static_cast<size_t>(size.QuadPart);
    return true;
}

void CFileMapping::Close()
{
    if (data_)
        UnmapViewOfFile(data_);
    if (mapping_ != -1 && mapping_ != 0)
        CloseHandle(AsHandle(mapping_));
    if (file_ != -1)
        CloseHandle(AsHandle(file_));
    data_ = nullptr;
    size_ = 0;
    file_ = -1;
    mapping_ = -1;
}

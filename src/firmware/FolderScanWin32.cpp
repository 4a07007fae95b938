// Folder listing on Windows: FindFirstFileW / FindNextFileW over "*.*" in the folder's full path.
#include "firmware/FolderScan.h"

#include <windows.h>

#include <utility>

namespace {

// Owns one find handle and closes it once.
class CFindHandle {
public:
    explicit CFindHandle(HANDLE handle) : handle_(handle) {}
    ~CFindHandle()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            FindClose(handle_);
    }
    CFindHandle(const CFindHandle&) = delete;
    CFindHandle& operator=(const CFindHandle&) = delete;
    bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

std::wstring FullPathOf(const std::wstring& folder)
{
    DWORD needed = GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return {};
    std::wstring full(needed, L'\0');
    DWORD written = GetFullPathNameW(folder.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed)
        return {};
    full.resize(written);
    return full;
}

} // namespace

bool ForEachFolderEntry(const std::wstring& folder, const FolderEntryVisitor& visit)
{
    if (folder.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    std::wstring prefix = FullPathOf(folder);
    if (prefix.empty())
        return false;
    if (prefix.back() != L'\\' && prefix.back() != L'/')
        prefix += L'\\';
    WIN32_FIND_DATAW entry{};
    CFindHandle find(FindFirstFileW((prefix + L"*.*").c_str(), &entry));
    if (!find.IsValid())
        return false;
    do {
        visit(prefix + entry.cFileName, (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(find.Get(), &entry));
    return true;
}

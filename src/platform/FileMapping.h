// A read-only memory mapping of a whole file, owned and released by one move-only object.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Open maps the existing file named by `path` (opened with read sharing) and keeps the file,
// the mapping and the view until Close or destruction. On failure it returns false with the
// system error code in the thread's last-error value: 2 for a missing file, 1006 for an empty
// one (a zero-length file cannot be mapped), 5 for a directory.
class CFileMapping {
public:
    CFileMapping() = default;
    ~CFileMapping() { Close(); }
    CFileMapping(CFileMapping&& other) noexcept;
    CFileMapping& operator=(CFileMapping&& other) noexcept;
    CFileMapping(const CFileMapping&) = delete;
    CFileMapping& operator=(const CFileMapping&) = delete;

    bool Open(const std::wstring& path);
    void Close();

    bool IsOpen() const { return data_ != nullptr; }
    const uint8_t* Data() const { return data_; }
    size_t Size() const { return size_; }

private:
    void Swap(CFileMapping& other) noexcept;

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    // The platform's file and mapping handles (Windows) or descriptor (elsewhere); -1 when none.
    intptr_t file_ = -1;
    intptr_t mapping_ = -1;
};

// Windows' code for a file that cannot be mapped because it is empty (ERROR_FILE_INVALID).
constexpr uint32_t ERROR_CODE_FILE_INVALID = 1006;

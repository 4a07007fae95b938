// Sequential reading of a whole file over one system file handle, with or without error reports.
#pragma once
#include <cstdint>
#include <string>

#include "model/Format.h"
#include "model/Reporting.h"

class IMessageTarget;

// Owns one file handle, opened for reading with read sharing and the sequential-scan hint, and
// closes it once. Failures return false (GetSize: 0xFFFFFFFF) with the system's code in the
// thread's last-error value.
class CFileRead {
public:
    CFileRead() = default;
    virtual ~CFileRead() { Close(); }
    CFileRead(CFileRead&& other) noexcept;
    CFileRead& operator=(CFileRead&& other) noexcept;
    CFileRead(const CFileRead&) = delete;
    CFileRead& operator=(const CFileRead&) = delete;

    bool Open(const std::wstring& path);
    void Close();
    // The file's size in bytes; 0xFFFFFFFF on failure (a file of 4 GiB or more is too large).
    virtual uint32_t GetSize();
    virtual bool IsOpen() const { return handle_ != -1; }
    // Reads up to `count` bytes; `bytesRead` below `count` means the end of the file was reached.
    bool Read(void* buffer, uint32_t count, uint32_t& bytesRead);

private:
    intptr_t handle_ = -1; // the platform's file handle or descriptor; -1 when closed
};

// A file reader that reports each failure: format 204 ("%s failed on \"%s\"...") with the system
// operation ("CreateFile", "GetFileSize" or "ReadFile"), the file name, the code and its text,
// sent as a report line and shown in an error box owned by the owner window with the caption
// given to the constructor ("Error" when none was given). The last-error value is kept.
class CFileRead2 : public CFileRead,
                   public CDisplayStatusClient<CFileRead2>,
                   public CPopupErrorClient<CFileRead2> {
public:
    // `owner` receives the report lines and owns the error boxes; it must outlive this reader.
    explicit CFileRead2(IMessageTarget* owner, const TextArg& caption = TextArg(L""));

    bool OpenForRead(const std::wstring& path);
    uint32_t GetSize() override;
    bool ReadBytes(void* buffer, uint32_t count, uint32_t& bytesRead);

    virtual const std::wstring& GetFileName() const { return fileName_; }
    virtual IMessageTarget* MessageWindow() { return owner_; }

private:
    void ReportFailure(const wchar_t* operation);

    IMessageTarget* owner_;
    std::wstring fileName_;
    std::wstring caption_;
};

// The FTP requests the file-server copy makes, and the notices in which they complete.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

class IMessageTarget;

// Notices a client posts to its target (from any thread), numbered as the program's messages.
constexpr uint32_t WM_FTP_HANDLE_CREATED = 0x801E;   // wParam: the new handle's value (not 0)
constexpr uint32_t WM_FTP_REQUEST_COMPLETE = 0x801F; // wParam: the error code; lParam: the result (0: failed)
constexpr uint32_t WM_FTP_STATUS = 0x8020;           // wParam: FTP_STATUS_CONNECTED, _CLOSING or _CLOSED
constexpr uint32_t WM_FTP_HANDLE_CLOSING = 0x8021;   // wParam: FTP_STATUS_HANDLE_CLOSING; lParam: the handle

constexpr uintptr_t FTP_STATUS_CONNECTED = 21;
constexpr uintptr_t FTP_STATUS_CLOSING = 50;
constexpr uintptr_t FTP_STATUS_CLOSED = 51;
constexpr uintptr_t FTP_STATUS_HANDLE_CLOSING = 70;

// Error codes of the requests (the system's numbers on every platform).
constexpr uint32_t FTP_ERROR_FILE_NOT_FOUND = 2;
constexpr uint32_t FTP_ERROR_NO_MORE_FILES = 18;
constexpr uint32_t FTP_ERROR_FILE_TOO_LARGE = 223;
constexpr uint32_t FTP_ERROR_IO_PENDING = 997;
constexpr uint32_t FTP_ERROR_CANCELLED = 1223;

// The largest file the copy takes: firmware and notes are far smaller; a server that sends more is
// cut off with FTP_ERROR_FILE_TOO_LARGE.
constexpr uint64_t kFtpFileSizeLimit = 16u << 20;

// One entry of a server folder.
struct FtpEntry {
    std::wstring name;
    bool directory = false;
};

// One FTP session: a connection, a folder, a listing and transfers, closed one level at a time.
// A request returns true when it is done at once, or false with the last-error value set: 997
// (FTP_ERROR_IO_PENDING) when it goes on and completes later with WM_FTP_REQUEST_COMPLETE, else the
// reason. Only one request runs at a time. The notices go to the target given to OpenSession; the
// target must outlive the session (CloseSession or the client's destruction ends the notices).
class IFtpClient {
public:
    virtual ~IFtpClient() = default;

    // Opens the session with this agent name; synchronous. False with the reason.
    virtual bool OpenSession(const std::wstring& agent, IMessageTarget* noticeTarget) = 0;
    // Connects anonymously, in passive mode, to `host` (port 0: FTP's own). Posts
    // WM_FTP_STATUS(FTP_STATUS_CONNECTED) once the server is reached.
    virtual bool Connect(const std::wstring& host, uint16_t port) = 0;
    // Changes the server folder (relative to the login folder).
    virtual bool SetCurrentDirectory(const std::wstring& folder) = 0;
    // The first entry of the current folder, then each next one; at the end the request fails
    // with FTP_ERROR_NO_MORE_FILES (at once or as its completion's error).
    virtual bool FindFirstFile() = 0;
    virtual bool FindNextFile() = 0;
    // The entry the last find delivered.
    virtual const FtpEntry& FoundEntry() const = 0;
    // Fetches `remoteName` of the current folder, in binary, into `localPath` (replaced if it
    // exists). A transfer that fails, is cut off or is abandoned leaves nothing at `localPath`.
    virtual bool GetFile(const std::wstring& remoteName, const std::wstring& localPath) = 0;

    // Closing: the listing and the session at once; the connection's end comes back as
    // WM_FTP_HANDLE_CLOSING. Closing what is not open does nothing. A request that runs is abandoned.
    virtual void CloseFind() = 0;
    virtual void CloseConnection() = 0;
    virtual void CloseSession() = 0;
};

// The platform's client: WinINet on Windows, libcurl elsewhere (FtpClientWin32.cpp, FtpClientPosix.cpp).
std::unique_ptr<IFtpClient> CreateFtpClient();

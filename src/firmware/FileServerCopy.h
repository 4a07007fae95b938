// The copy of new files from the maker's file server into the firmware folder: the FTP requests in turn and their report.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "firmware/FtpClient.h"

class CFirmwareFiles;

// Where a line of the copy goes: the log and the main window (always, or with verbose logging),
// the log only, or the log only and only while tracing.
enum class CopyLine { Log, Verbose, LogOnly, Trace };

// What the copy asks of the window (or console) that shows it.
class IFileServerCopyOwner {
public:
    virtual ~IFileServerCopyOwner() = default;
    virtual void OnCopyLine(CopyLine kind, const std::wstring& text) = 0;
    // The copy is busy from Begin until its last Finish (the wait cursor).
    virtual void OnBusy(bool busy) = 0;
    // The copy is over and waits to be closed: "Close" on the Cancel button.
    virtual void OnShowClose() = 0;
    // The copy is over: end with this code (1 done, 2 cancelled).
    virtual void OnEnd(int code) = 0;
};

// Logs in anonymously to the server, lists "MT6402/firmware", takes what the folder's last scan
// (the page's CFirmwareFiles) wants of it: the release notes and the newest firmware file newer
// than the local one, fetches each, checks every ".hex" file with the Intel HEX validation (three
// fetches at the most), and closes the connection one level at a time. It moves only in its own
// calls: Begin, a client notice (OnNotice) and Cancel, all on one thread.
//
// A file is fetched under a temporary name beside its target and takes the target's name only once
// it passed its check, in one step: a check that fails, a transfer cut off or a cancel never leaves
// a damaged or partial file under a real name, nor replaces a good one. Only plain file names from
// the server are considered (a hostile listing cannot reach outside the folder).
//
// The client, the owner and the files must outlive the copy.
class CFileServerCopy {
public:
    enum State : uint32_t {
        Idle = 0,
        OpeningSession = 1,
        NavigatingDirectory = 2,
        FindingFirstFile = 3,
        FindingNextFile = 4,
        GettingFile = 5,
        Closing = 6,
        Closed = 7,
    };
    static constexpr uint32_t kVerifyAttempts = 3;

    // `folder`: the local firmware folder; `server`: the host; `port` 0 for FTP's own; with `trace`
    // the trace lines are made.
    CFileServerCopy(IFtpClient& client, IFileServerCopyOwner& owner, const CFirmwareFiles& files, std::wstring folder,
                    std::wstring server, uint16_t port, bool trace);
    ~CFileServerCopy();
    CFileServerCopy(const CFileServerCopy&) = delete;
    CFileServerCopy& operator=(const CFileServerCopy&) = delete;

    // Starts the copy (when the window is shown); `noticeTarget` receives the client's notices.
    void Begin(IMessageTarget* noticeTarget);
    // A notice of the client (WM_FTP_*); false for another message.
    bool OnNotice(uint32_t message, uintptr_t wParam, intptr_t lParam);
    // The Cancel button. False when the copy is idle (not started or over): the window then
    // closes as its close request does, with CloseCode().
    bool Cancel();
    // Stops everything at once and removes a file in progress (the window is going).
    void Abandon();

    State GetState() const { return state_; }
    uint32_t LastError() const { return lastError_; }
    // The end code of "Close": 1 after a finish without error, 2 after a cancel, 3 otherwise.
    int CloseCode() const;
    const std::vector<std::wstring>& CopyList() const { return copyList_; }
    // For a caller that reports an outcome (the command-line tool): a step failed at some point,
    // even when the closing that followed ended without error; how many files could not be copied.
    bool AnyStepFailed() const { return anyStepFailed_; }
    uint32_t FilesNotCopied() const { return filesNotCopied_; }

    // The temporary name a fetched file has until it passed its check.
    static std::wstring TemporaryPath(const std::wstring& localPath);

private:
    void Navigate();
    void NavigationComplete();
    void ProcessEntry();
    void ListingComplete();
    void CopyStep();
    void Fetch();
    // The file just fetched: checked, and renamed to its real name when good. False when it is to
    // be fetched again.
    bool SettleFetchedFile();
    void RequestFailed(const wchar_t* request);
    void Finish(const wchar_t* name, uint32_t error, bool forced = false);
    void CloseEverything();

    template <class... Args>
    void Line(CopyLine kind, uint32_t stringId, const Args&... args);

    IFtpClient& client_;
    IFileServerCopyOwner& owner_;
    const CFirmwareFiles& files_;
    std::wstring folder_;
    std::wstring server_;
    uint16_t port_;
    bool trace_;

    State state_ = Idle;
    bool cancelRequested_ = false;
    uint32_t lastError_ = 0;
    std::vector<std::wstring> copyList_;
    int copyIndex_ = -1;
    uint32_t verifyFailures_ = 0;
    bool haveSession_ = false;
    bool haveConnection_ = false;
    bool connected_ = false;
    bool haveFind_ = false;
    bool busy_ = false;
    bool fetched_ = false;        // the current file's fetch has completed and waits for its check
    bool fileInProgress_ = false; // its temporary file may exist (from the fetch until it is settled)
    bool anyStepFailed_ = false;
    uint32_t filesNotCopied_ = 0;
};

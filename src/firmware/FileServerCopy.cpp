// The copy of new files from the maker's file server into the firmware folder.
#include "firmware/FileServerCopy.h"

#include "firmware/FirmwareFiles.h"
#include "firmware/FirmwareFolder.h"
#include "firmware/IntelHexReader.h"
#include "firmware/NoCase.h"
#include "firmware/ServerFileName.h"
#include "model/ErrorText.h"
#include "model/Format.h"
#include "model/StatusCodes.h"
#include "model/StringTable.h"
#include "platform/Directories.h"
#include "platform/LastError.h"

namespace {

bool IsHexFile(const std::wstring& name)
{
    const std::wstring_view extension = kFirmwareExtension;
    return name.size() >= extension.size() &&
           EqualsNoCase(std::wstring_view(name).substr(name.size() - extension.size()), extension);
}

} // namespace

CFileServerCopy::CFileServerCopy(IFtpClient& client, IFileServerCopyOwner& owner, const CFirmwareFiles& files,
                                 std::wstring folder, std::wstring server, uint16_t port, bool trace)
    : client_(client), owner_(owner), files_(files), folder_(std::move(folder)), server_(std::move(server)),
      port_(port), trace_(trace)
{
}

CFileServerCopy::~CFileServerCopy() { Abandon(); }

std::wstring CFileServerCopy::TemporaryPath(const std::wstring& localPath) { return localPath + L".download"; }

template <class... Args>
void CFileServerCopy::Line(CopyLine kind, uint32_t stringId, const Args&... args)
{
    if (kind == CopyLine::Trace && !trace_)
        return;
    owner_.OnCopyLine(kind, Format(StringId{stringId}, args...));
}

int CFileServerCopy::CloseCode() const
{
    if (lastError_ == STATUS_OK)
        return 1;
    return lastError_ == FTP_ERROR_CANCELLED ? 2 : 3;
}

void CFileServerCopy::Begin(IMessageTarget* noticeTarget)
{
    busy_ = true;
    owner_.OnBusy(true);
    copyList_.clear();
    copyIndex_ = -1;
    if (!client_.OpenSession(Format(StringId{IDS_FTP_AGENT}, kProductName), noticeTarget)) {
        Finish(L"Internet Session Open", GetLastErrorCode(), true);
        return;
    }
    haveSession_ = true;
    Line(CopyLine::Log, IDS_FTP_OPENING_CONNECTION, server_);
    state_ = OpeningSession;
    haveConnection_ = true;
    if (client_.Connect(server_, port_)) {
        connected_ = true;
        Navigate();
    } else {
        RequestFailed(L"InternetConnect");
    }
}

void CFileServerCopy::Navigate()
{
    if (cancelRequested_) {
        Finish(L"Open Session", FTP_ERROR_CANCELLED, true);
        return;
    }
    if (!connected_) {
        Finish(L"Open Session", GetLastErrorCode(), true);
        return;
    }
    const std::wstring folder = Format(StringId{IDS_FTP_SERVER_FOLDER}, kProductName);
    Line(CopyLine::Trace, IDS_FTP_NAVIGATING, folder);
    state_ = NavigatingDirectory;
    if (client_.SetCurrentDirectory(folder))
        NavigationComplete();
    else
        RequestFailed(L"FtpSetCurrentDirectory");
}

void CFileServerCopy::NavigationComplete()
{
    if (cancelRequested_) {
        Finish(L"Directory Navigation Complete", FTP_ERROR_CANCELLED);
        return;
    }
    state_ = FindingFirstFile;
    haveFind_ = true;
    if (client_.FindFirstFile())
        ProcessEntry();
    else
        RequestFailed(L"FtpFindFile");
}

void CFileServerCopy::ProcessEntry()
{
    if (cancelRequested_) {
        Finish(L"File Find Complete", FTP_ERROR_CANCELLED);
        return;
    }
    const FtpEntry& entry = client_.FoundEntry();
    if (!entry.directory) {
        Line(CopyLine::Trace, IDS_FTP_FOUND_FILE, entry.name);
        if (IsPlainServerFileName(entry.name))
            files_.ConsiderServerFile(entry.name, copyList_);
        else
            Line(CopyLine::Trace, IDS_FTP_SKIPPED_NAME, entry.name);
    }
    state_ = FindingNextFile;
    if (client_.FindNextFile()) {
        ProcessEntry();
    } else if (GetLastErrorCode() == FTP_ERROR_NO_MORE_FILES) {
        ListingComplete();
    } else {
        RequestFailed(L"InternetFindNextFile");
    }
}

void CFileServerCopy::ListingComplete()
{
    haveFind_ = false;
    client_.CloseFind();
    if (cancelRequested_) {
        Finish(L"Directory Read Complete", FTP_ERROR_CANCELLED);
        return;
    }
    // Only the notes are newer, and the folder has notes: nothing worth the copy.
    if (copyList_.size() == 1 && EqualsNoCase(copyList_[0], kReleaseNotesFileName) && files_.HasNotesFile())
        copyList_.clear();
    if (copyList_.empty()) {
        Finish(L"All Copy Complete", STATUS_OK);
        return;
    }
    copyIndex_ = -1;
    verifyFailures_ = 0;
    Line(CopyLine::Log, IDS_FTP_COPYING_FILES, folder_);
    CopyStep();
}

void CFileServerCopy::CopyStep()
{
    if (cancelRequested_) {
        Finish(L"File Copy Complete", FTP_ERROR_CANCELLED);
        return;
    }
    if (copyIndex_ >= 0 && fetched_ && !SettleFetchedFile()) {
        Fetch(); // the same file once more
        return;
    }
    ++copyIndex_;
    if (copyIndex_ >= static_cast<int>(copyList_.size())) {
        Line(CopyLine::Log, IDS_FTP_COPIED_SUMMARY, static_cast<uint32_t>(copyList_.size()), folder_);
        Finish(L"All Copy Complete", STATUS_OK);
        return;
    }
    Fetch();
}

void CFileServerCopy::Fetch()
{
    if (cancelRequested_) {
        Finish(L"File Copy", FTP_ERROR_CANCELLED);
        return;
    }
    const std::wstring& name = copyList_[static_cast<size_t>(copyIndex_)];
    state_ = GettingFile;
    fetched_ = false;
    fileInProgress_ = true;
    if (client_.GetFile(name, TemporaryPath(JoinFolderPath(folder_, name)))) {
        fetched_ = true;
        CopyStep();
    } else {
        RequestFailed(L"FtpGetFile");
    }
}

bool CFileServerCopy::SettleFetchedFile()
{
    fetched_ = false;
    fileInProgress_ = false;
    const std::wstring& name = copyList_[static_cast<size_t>(copyIndex_)];
    const std::wstring path = JoinFolderPath(folder_, name);
    const std::wstring temporary = TemporaryPath(path);
    if (IsHexFile(name)) {
        if (!ValidateHexFile(temporary)) {
            Line(CopyLine::LogOnly, IDS_FTP_VERIFY_FAILED, path);
            if (++verifyFailures_ < kVerifyAttempts)
                return false;
            Line(CopyLine::Log, IDS_FTP_UNABLE_TO_COPY, name);
            RemoveFileIfPresent(temporary);
            verifyFailures_ = 0;
            ++filesNotCopied_;
            return true;
        }
        Line(CopyLine::LogOnly, IDS_VERIFICATION_SUCCEEDED, path);
    }
    verifyFailures_ = 0;
    // The good file takes the real name in one step, over an older one of that name.
    if (!MoveFileReplacing(temporary, path)) {
        const uint32_t code = GetLastErrorCode();
        Line(CopyLine::Log, IDS_FTP_MOVE_FAILED, temporary, name, code, ErrorText(code));
        Line(CopyLine::Log, IDS_FTP_UNABLE_TO_COPY, name);
        RemoveFileIfPresent(temporary);
        ++filesNotCopied_;
        return true;
    }
    Line(CopyLine::Log, IDS_FTP_COPIED_FILE, name);
    return true;
}

void CFileServerCopy::RequestFailed(const wchar_t* request)
{
    const uint32_t error = GetLastErrorCode();
    if (error == FTP_ERROR_IO_PENDING) {
        Line(CopyLine::Trace, IDS_FTP_STARTED, request);
        return;
    }
    lastError_ = error;
    anyStepFailed_ = true;
    Line(CopyLine::Verbose, IDS_COMPLETED_WITH_ERROR, request, error, ErrorText(error));
    if (error != FTP_ERROR_FILE_NOT_FOUND)
        Finish(request, error);
}

bool CFileServerCopy::OnNotice(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (message != WM_FTP_HANDLE_CREATED && message != WM_FTP_REQUEST_COMPLETE && message != WM_FTP_STATUS &&
        message != WM_FTP_HANDLE_CLOSING)
        return false;
    // A notice of a session that is over, or being released, is dropped.
    if (state_ == Idle || state_ == Closed)
        return true;
    switch (message) {
    case WM_FTP_REQUEST_COMPLETE: {
        const uint32_t error = static_cast<uint32_t>(wParam);
        const bool succeeded = lParam != 0;
        if (error != STATUS_OK && error != FTP_ERROR_NO_MORE_FILES)
            Line(CopyLine::Trace, IDS_ERROR_CODE, error, ErrorText(error));
        switch (state_) {
        case OpeningSession:
            if (!succeeded) {
                Finish(L"InternetConnect", error);
            } else {
                connected_ = true;
                Navigate();
            }
            break;
        case NavigatingDirectory:
            if (succeeded)
                NavigationComplete();
            else
                Finish(L"FtpSetCurrentDirectory", error, true);
            break;
        case FindingFirstFile:
            if (succeeded)
                ProcessEntry();
            else
                Finish(L"FtpFindFile", error, true);
            break;
        case FindingNextFile:
            if (succeeded)
                ProcessEntry();
            else if (error == FTP_ERROR_NO_MORE_FILES)
                ListingComplete();
            else
                Finish(L"InternetFindNextFile", error, true);
            break;
        case GettingFile:
            if (succeeded) {
                fetched_ = true;
                CopyStep();
            } else {
                Finish(L"FtpGetFile", error, true);
            }
            break;
        default:
            Line(CopyLine::Trace, IDS_FTP_UNEXPECTED_STATE, static_cast<uint32_t>(state_));
            break;
        }
        break;
    }
    case WM_FTP_HANDLE_CREATED:
        if (state_ == OpeningSession)
            connected_ = wParam != 0;
        break;
    case WM_FTP_STATUS:
        if (wParam == FTP_STATUS_CONNECTED)
            Line(CopyLine::LogOnly, IDS_FTP_CONNECTED);
        else if (wParam == FTP_STATUS_CLOSED && state_ == Closing)
            Finish(L"Session closed", STATUS_OK);
        else
            Line(CopyLine::Trace, IDS_FTP_STATUS, static_cast<uint32_t>(wParam));
        break;
    case WM_FTP_HANDLE_CLOSING:
        if (state_ == Closing) {
            state_ = Closed;
            Finish(L"Session Closed", STATUS_OK);
        } else {
            Line(CopyLine::Trace, IDS_FTP_STATUS, static_cast<uint32_t>(wParam));
        }
        break;
    default:
        break;
    }
    return true;
}

bool CFileServerCopy::Cancel()
{
    if (state_ == Idle)
        return false;
    cancelRequested_ = true;
    lastError_ = FTP_ERROR_CANCELLED;
    Finish(L"Cancel Button", FTP_ERROR_CANCELLED);
    return true;
}

void CFileServerCopy::Finish(const wchar_t* name, uint32_t error, bool forced)
{
    Line(CopyLine::Trace, IDS_FTP_FINISH_TRACE, name, static_cast<uint32_t>(state_), error,
         static_cast<uint32_t>(forced ? 1 : 0));
    lastError_ = error;
    if (forced || error != STATUS_OK) {
        anyStepFailed_ = anyStepFailed_ || error != FTP_ERROR_CANCELLED;
        Line(CopyLine::Log, IDS_COMPLETED_WITH_ERROR, name, error, ErrorText(error));
    }
    if (lastError_ == FTP_ERROR_CANCELLED) {
        // Ends at once, also while a transfer runs: the client drops what it was doing.
        CloseEverything();
        owner_.OnEnd(2);
        return;
    }
    if (haveFind_) {
        haveFind_ = false;
        client_.CloseFind();
        return;
    }
    if (haveConnection_) {
        state_ = Closing;
        haveConnection_ = false;
        client_.CloseConnection(); // its end comes back as a notice, which finishes again
        return;
    }
    CloseEverything();
    if (lastError_ == STATUS_OK && !trace_) {
        owner_.OnEnd(1);
        return;
    }
    owner_.OnShowClose();
    Line(CopyLine::Log, IDS_CLICK_CLOSE);
}

// The session goes with everything in it; a file being fetched, or fetched and not settled, goes too.
void CFileServerCopy::CloseEverything()
{
    if (haveSession_ || haveConnection_ || haveFind_)
        client_.CloseSession();
    haveSession_ = haveConnection_ = haveFind_ = connected_ = false;
    if (fileInProgress_ && copyIndex_ >= 0 && copyIndex_ < static_cast<int>(copyList_.size()))
        RemoveFileIfPresent(TemporaryPath(JoinFolderPath(folder_, copyList_[static_cast<size_t>(copyIndex_)])));
    fetched_ = false;
    fileInProgress_ = false;
    state_ = Idle;
    if (busy_) {
        busy_ = false;
        owner_.OnBusy(false);
    }
}

void CFileServerCopy::Abandon()
{
    cancelRequested_ = true;
    if (state_ != Idle || haveSession_)
        CloseEverything();
}

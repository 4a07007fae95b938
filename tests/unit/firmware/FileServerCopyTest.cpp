// The file-server copy: its requests in turn, the files it takes, its checks, its lines, its closing and its ends.
#include "firmware/FileServerCopy.h"

#include "firmware/FirmwareFiles.h"
#include "model/ErrorText.h"
#include "model/Format.h"
#include "platform/Directories.h"
#include "platform/LastError.h"

#include "HexText.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::wstring kServer = L"files.example";
const std::string kGoodHex = HexData(0x0800, {0x12, 0x34}) + kHexEnd;
const std::string kDamagedHex = ":0208000012\r\n"; // cut off in its first record
const std::string kNotes = "{\\rtf1 notes}";

// A client whose requests answer at once, or go on (997) until the test completes them, or fail
// at once with a chosen code. It writes what GetFile fetches from `server` (a file's successive
// contents, one per fetch; the last one repeats).
class ScriptedFtpClient : public IFtpClient {
public:
    enum class Answer { AtOnce, Pending };

    bool OpenSession(const std::wstring& agent, IMessageTarget*) override
    {
        calls.push_back(L"OpenSession " + agent);
        if (auto failure = failAtOnce.find(L"OpenSession"); failure != failAtOnce.end()) {
            SetLastErrorCode(failure->second);
            return false;
        }
        return true; // always at once
    }
    bool Connect(const std::wstring& host, uint16_t port) override
    {
        calls.push_back(L"Connect " + host + L":" + std::to_wstring(port));
        return Respond(L"Connect");
    }
    bool SetCurrentDirectory(const std::wstring& folder) override
    {
        calls.push_back(L"SetCurrentDirectory " + folder);
        return Respond(L"SetCurrentDirectory");
    }
    bool FindFirstFile() override
    {
        calls.push_back(L"FindFirstFile");
        next_ = 0;
        return Found(L"FindFirstFile");
    }
    bool FindNextFile() override
    {
        calls.push_back(L"FindNextFile");
        ++next_;
        return Found(L"FindNextFile");
    }
    const FtpEntry& FoundEntry() const override { return entry_; }
    bool GetFile(const std::wstring& remote, const std::wstring& local) override
    {
        calls.push_back(L"GetFile " + remote);
        fetchedTo.push_back(local);
        std::deque<std::string>& contents = server[remote];
        const std::string bytes = contents.empty() ? std::string() : contents.front();
        if (contents.size() > 1)
            contents.pop_front();
        std::ofstream(fs::path(local), std::ios::binary) << bytes;
        return Respond(L"GetFile");
    }
    void CloseFind() override { calls.push_back(L"CloseFind"); }
    void CloseConnection() override { calls.push_back(L"CloseConnection"); }
    void CloseSession() override { calls.push_back(L"CloseSession"); }

    Answer answer = Answer::AtOnce;
    std::map<std::wstring, uint32_t> failAtOnce; // request → the code it fails with at once
    std::vector<FtpEntry> listing;
    std::map<std::wstring, std::deque<std::string>> server;
    std::vector<std::wstring> calls;
    std::vector<std::wstring> fetchedTo;

private:
    bool Respond(const std::wstring& request)
    {
        if (auto failure = failAtOnce.find(request); failure != failAtOnce.end()) {
            SetLastErrorCode(failure->second);
            return false;
        }
        if (answer == Answer::Pending) {
            SetLastErrorCode(FTP_ERROR_IO_PENDING);
            return false;
        }
        return true;
    }
    bool Found(const std::wstring& request)
    {
        if (next_ >= listing.size() && answer == Answer::AtOnce) {
            SetLastErrorCode(FTP_ERROR_NO_MORE_FILES);
            return false;
        }
        if (next_ < listing.size())
            entry_ = listing[next_];
        return Respond(request);
    }

    FtpEntry entry_;
    size_t next_ = 0;
};

struct RecordingOwner : IFileServerCopyOwner {
    void OnCopyLine(CopyLine kind, const std::wstring& text) override { lines.emplace_back(kind, text); }
    void OnBusy(bool busy) override { busyChanges.push_back(busy); }
    void OnShowClose() override { ++closeShown; }
    void OnEnd(int code) override { ends.push_back(code); }

    std::vector<std::wstring> Texts(CopyLine kind) const
    {
        std::vector<std::wstring> texts;
        for (const auto& [k, text] : lines)
            if (k == kind)
                texts.push_back(text);
        return texts;
    }
    bool Has(CopyLine kind, const std::wstring& text) const
    {
        const auto texts = Texts(kind);
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

    std::vector<std::pair<CopyLine, std::wstring>> lines;
    std::vector<bool> busyChanges;
    int closeShown = 0;
    std::vector<int> ends;
};

std::wstring Failed(const std::wstring& request, uint32_t code)
{
    return Format(L"%s completed with error 0x%08X: %s", request, code, ErrorText(code));
}

class FileServerCopyTest : public testing::Test {
protected:
    // The local folder holds `names` (their contents do not matter to the scan).
    void LocalFiles(std::initializer_list<const wchar_t*> names)
    {
        for (const wchar_t* name : names)
            folder.WriteFile(name, "local");
        files.Scan(folder.Path());
    }
    void Listing(std::initializer_list<const wchar_t*> names)
    {
        for (const wchar_t* name : names)
            client.listing.push_back({name, false});
    }
    CFileServerCopy& Copy(bool trace = false)
    {
        copy = std::make_unique<CFileServerCopy>(client, owner, files, folder.Path(), kServer, 2121, trace);
        return *copy;
    }
    void Complete(uint32_t error, bool result) { copy->OnNotice(WM_FTP_REQUEST_COMPLETE, error, result ? 1 : 0); }
    void ConnectionClosed() { copy->OnNotice(WM_FTP_HANDLE_CLOSING, FTP_STATUS_HANDLE_CLOSING, 7); }
    // The files of the local folder, each with its bytes.
    std::map<std::wstring, std::string> Folder() const
    {
        std::map<std::wstring, std::string> found;
        for (const auto& entry : fs::directory_iterator(fs::path(folder.Path()))) {
            std::ifstream in(entry.path(), std::ios::binary);
            found[entry.path().filename().wstring()] = std::string(std::istreambuf_iterator<char>(in), {});
        }
        return found;
    }
    std::wstring Path(const wchar_t* name) const { return folder.Join(name); }

    TempFolder folder;
    CFirmwareFiles files;
    ScriptedFtpClient client;
    RecordingOwner owner;
    std::unique_ptr<CFileServerCopy> copy;
};

TEST_F(FileServerCopyTest, TheNotesAndTheNewerFirmwareAreCopiedCheckedAndCounted)
{
    LocalFiles({L"qmcu0112.hex"});
    Listing({L"mt6402fwnotes.rtf", L"qmcu0111.hex", L"qmcu0113.hex", L"readme.txt"});
    client.listing.push_back({L"older", true});
    client.server[L"qmcu0113.hex"] = {kGoodHex};
    client.server[L"mt6402fwnotes.rtf"] = {kNotes};
    Copy().Begin(nullptr);
    EXPECT_EQ(copy->GetState(), CFileServerCopy::Closing);
    ConnectionClosed();

    EXPECT_EQ(copy->CopyList(), (std::vector<std::wstring>{L"mt6402fwnotes.rtf", L"qmcu0113.hex"}));
    EXPECT_EQ(owner.Texts(CopyLine::Log),
              (std::vector<std::wstring>{L"Opening connection to files.example", L"Copying files to " + folder.Path(),
                                         L"Copied mt6402fwnotes.rtf from Norvanta", L"Copied qmcu0113.hex from Norvanta",
                                         L"Copied 2 files from Norvanta to " + folder.Path()}));
    EXPECT_EQ(owner.Texts(CopyLine::LogOnly),
              std::vector<std::wstring>{Path(L"qmcu0113.hex") + L" verification succeeded"});
    EXPECT_TRUE(owner.Texts(CopyLine::Trace).empty()) << "trace lines are made only with Trace on";
    const std::vector<std::wstring> calls{L"OpenSession Norvanta MT6402 Utility",
                                          L"Connect files.example:2121",
                                          L"SetCurrentDirectory MT6402/firmware",
                                          L"FindFirstFile",
                                          L"FindNextFile",
                                          L"FindNextFile",
                                          L"FindNextFile",
                                          L"FindNextFile",
                                          L"FindNextFile",
                                          L"CloseFind",
                                          L"GetFile mt6402fwnotes.rtf",
                                          L"GetFile qmcu0113.hex",
                                          L"CloseConnection",
                                          L"CloseSession"};
    EXPECT_EQ(client.calls, calls);
    // Each went in under its temporary name first; the folder holds the files and nothing else.
    EXPECT_EQ(client.fetchedTo.back(), Path(L"qmcu0113.hex") + L".download");
    EXPECT_EQ(Folder(), (std::map<std::wstring, std::string>{
                            {L"qmcu0112.hex", "local"}, {L"qmcu0113.hex", kGoodHex}, {L"mt6402fwnotes.rtf", kNotes}}));
    EXPECT_EQ(owner.ends, std::vector<int>{1});
    EXPECT_EQ(owner.busyChanges, (std::vector<bool>{true, false}));
    EXPECT_FALSE(copy->AnyStepFailed());
}

TEST_F(FileServerCopyTest, NothingNewerOrOnlyNewerNotesCopiesNothingAndEndsByItself)
{
    struct Case {
        const char* name;
        std::vector<const wchar_t*> server;
    } cases[] = {
        {"the same files", {L"mt6402fwnotes.rtf", L"qmcu0113.hex"}},
        {"only the notes are newer", {L"mt6402fwnotes.rtf", L"qmcu0112.hex"}},
    };
    LocalFiles({L"mt6402fwnotes.rtf", L"qmcu0113.hex"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        client = ScriptedFtpClient();
        owner = RecordingOwner();
        for (const wchar_t* name : c.server)
            client.listing.push_back({name, false});
        Copy().Begin(nullptr);
        ConnectionClosed();
        EXPECT_TRUE(copy->CopyList().empty());
        EXPECT_EQ(owner.Texts(CopyLine::Log), std::vector<std::wstring>{L"Opening connection to files.example"});
        EXPECT_EQ(std::count_if(client.calls.begin(), client.calls.end(),
                                [](const std::wstring& call) { return call.rfind(L"GetFile", 0) == 0; }),
                  0);
        EXPECT_EQ(owner.ends, std::vector<int>{1});
        EXPECT_EQ(owner.closeShown, 0);
    }
}

TEST_F(FileServerCopyTest, AFirmwareFileDamagedThreeTimesIsNotKeptAndStillCounted)
{
    struct Case {
        const char* name;
        std::deque<std::string> fetches;
        bool kept;
        size_t failures;
    } cases[] = {
        {"damaged three times", {kDamagedHex, kDamagedHex, kDamagedHex}, false, 3},
        {"good at the third fetch", {kDamagedHex, kDamagedHex, kGoodHex}, true, 2},
    };
    LocalFiles({L"qmcu0112.hex", L"mt6402fwnotes.rtf"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveFileIfPresent(Path(L"qmcu0113.hex"));
        client = ScriptedFtpClient();
        owner = RecordingOwner();
        Listing({L"qmcu0113.hex"});
        client.server[L"qmcu0113.hex"] = c.fetches;
        Copy().Begin(nullptr);
        ConnectionClosed();
        EXPECT_EQ(client.fetchedTo.size(), 3u);
        const std::wstring failed = L"Verification of firmware file " + Path(L"qmcu0113.hex") + L" failed";
        EXPECT_EQ(std::count(owner.lines.begin(), owner.lines.end(), std::make_pair(CopyLine::LogOnly, failed)),
                  static_cast<long>(c.failures));
        EXPECT_EQ(owner.Has(CopyLine::Log, L"Unable to copy file qmcu0113.hex"), !c.kept);
        EXPECT_EQ(owner.Has(CopyLine::Log, L"Copied qmcu0113.hex from Norvanta"), c.kept);
        EXPECT_TRUE(owner.Has(CopyLine::Log, L"Copied 1 files from Norvanta to " + folder.Path()));
        std::map<std::wstring, std::string> expected{{L"qmcu0112.hex", "local"}, {L"mt6402fwnotes.rtf", "local"}};
        if (c.kept)
            expected[L"qmcu0113.hex"] = kGoodHex;
        EXPECT_EQ(Folder(), expected) << "no damaged file and no temporary file is left";
        EXPECT_EQ(copy->FilesNotCopied(), c.kept ? 0u : 1u);
        EXPECT_EQ(owner.ends, std::vector<int>{1});
    }
}

TEST_F(FileServerCopyTest, AGoodFileReplacesAnOlderOneOfItsNameOnlyOnceItPassed)
{
    // The local notes are older than the server's: the server's replace them, but a damaged
    // firmware file never replaces a local one of the same name.
    LocalFiles({L"qmcu0112.hex"});
    folder.WriteFile(L"qmcu0113.hex.download", "left by an earlier run");
    Listing({L"mt6402fwnotes.rtf", L"qmcu0113.hex"});
    client.server[L"mt6402fwnotes.rtf"] = {kNotes};
    client.server[L"qmcu0113.hex"] = {kDamagedHex};
    folder.WriteFile(L"mt6402fwnotes.rtf", "old notes");
    Copy().Begin(nullptr);
    ConnectionClosed();
    EXPECT_EQ(Folder(), (std::map<std::wstring, std::string>{{L"qmcu0112.hex", "local"}, {L"mt6402fwnotes.rtf", kNotes}}));
}

TEST_F(FileServerCopyTest, ServerNamesThatAreNotPlainFileNamesArePassedOver)
{
    LocalFiles({L"qmcu0112.hex"});
    const wchar_t* hostile[] = {L"../qmcu0199.hex", L"sub/qmcu0198.hex", L"sub\\qmcu0197.hex", L"C:qmcu0196.hex",
                                L"qmcu0195.hex\x01", L"..", L"."};
    for (const wchar_t* name : hostile)
        client.listing.push_back({name, false});
    client.listing.push_back({std::wstring(L"qmcu0194") + std::wstring(250, L'x') + L".hex", false});
    client.listing.push_back({L"qmcu0113.hex", false});
    client.server[L"qmcu0113.hex"] = {kGoodHex};
    Copy(true).Begin(nullptr);
    EXPECT_EQ(copy->CopyList(), std::vector<std::wstring>{L"qmcu0113.hex"});
    for (const wchar_t* name : hostile)
        EXPECT_TRUE(owner.Has(CopyLine::Trace,
                              Format(L"Passed over server entry \"%s\": not a plain file name", std::wstring(name))))
            << std::wstring(name).size();
}

TEST_F(FileServerCopyTest, WithTraceOnEveryStepIsTracedAndTheCopyWaitsForClose)
{
    LocalFiles({L"qmcu0113.hex"});
    Listing({L"qmcu0113.hex"});
    client.answer = ScriptedFtpClient::Answer::Pending;
    Copy(true).Begin(nullptr);
    Complete(0, true); // connected
    Complete(0, true); // in MT6402/firmware
    Complete(0, true); // the first entry
    Complete(FTP_ERROR_NO_MORE_FILES, false);
    ConnectionClosed();
    const std::vector<std::wstring> traced = owner.Texts(CopyLine::Trace);
    for (const std::wstring& line :
         {std::wstring(L"InternetConnect started"), std::wstring(L"Navigating to MT6402/firmware"),
          std::wstring(L"FtpSetCurrentDirectory started"), std::wstring(L"FtpFindFile started"),
          std::wstring(L"Found file \"qmcu0113.hex\""), std::wstring(L"InternetFindNextFile started"),
          std::wstring(L"CFtpDlg::Finish All Copy Complete State 4 dwErrorCode 0x00000000 fForceError 0"),
          std::wstring(L"CFtpDlg::Finish Session Closed State 7 dwErrorCode 0x00000000 fForceError 0")})
        EXPECT_NE(std::find(traced.begin(), traced.end(), line), traced.end()) << line;
    EXPECT_TRUE(owner.ends.empty());
    EXPECT_EQ(owner.closeShown, 1);
    EXPECT_EQ(owner.Texts(CopyLine::Log).back(), L"Click \"Close\" to close this window");
    EXPECT_EQ(copy->CloseCode(), 1);
    EXPECT_FALSE(copy->Cancel()) << "once over, Cancel is the window's close";
}

// The completion of each request: a failure is reported, the handles are closed one level at a
// time, and the closing's own end decides.
TEST_F(FileServerCopyTest, EachRequestThatCompletesWithAnErrorIsReportedAndClosedOneLevelAtATime)
{
    struct Case {
        int successesBefore; // completions that succeed before the failing one
        const wchar_t* request;
        bool findOpen;       // the listing is open: only it is closed, and the copy waits for Cancel
    } cases[] = {
        {0, L"InternetConnect", false},
        {1, L"FtpSetCurrentDirectory", false},
        {2, L"FtpFindFile", true},
        {3, L"InternetFindNextFile", true},
        {4, L"FtpGetFile", false},
    };
    LocalFiles({L"qmcu0112.hex"});
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.request)));
        client = ScriptedFtpClient();
        owner = RecordingOwner();
        Listing({L"qmcu0113.hex"});
        client.answer = ScriptedFtpClient::Answer::Pending;
        Copy().Begin(nullptr);
        for (int i = 0; i < c.successesBefore; ++i)
            Complete(i == 3 ? FTP_ERROR_NO_MORE_FILES : 0, i != 3);
        ASSERT_TRUE(owner.ends.empty());
        Complete(12003, false);
        EXPECT_TRUE(owner.Has(CopyLine::Log, Failed(c.request, 12003))) << testing::PrintToString(owner.Texts(CopyLine::Log));
        EXPECT_TRUE(copy->AnyStepFailed());
        if (c.findOpen) {
            EXPECT_EQ(client.calls.back(), L"CloseFind");
            EXPECT_TRUE(owner.ends.empty()) << "the copy waits for Cancel";
            EXPECT_TRUE(copy->Cancel());
            EXPECT_EQ(owner.ends, std::vector<int>{2});
            continue;
        }
        EXPECT_EQ(client.calls.back(), L"CloseConnection");
        EXPECT_EQ(copy->GetState(), CFileServerCopy::Closing);
        ConnectionClosed();
        EXPECT_EQ(client.calls.back(), L"CloseSession");
        // The closing ends without error, so the copy ends by itself (the error line stays).
        EXPECT_EQ(owner.ends, std::vector<int>{1});
        EXPECT_EQ(Folder(), (std::map<std::wstring, std::string>{{L"qmcu0112.hex", "local"}}));
    }
}

TEST_F(FileServerCopyTest, CancelInEveryStateEndsAtOnceWithTwo)
{
    LocalFiles({L"qmcu0112.hex"});
    for (int completions = 0; completions <= 4; ++completions) {
        SCOPED_TRACE(completions);
        client = ScriptedFtpClient();
        owner = RecordingOwner();
        Listing({L"qmcu0113.hex"});
        client.answer = ScriptedFtpClient::Answer::Pending;
        Copy().Begin(nullptr);
        for (int i = 0; i < completions; ++i)
            Complete(i == 3 ? FTP_ERROR_NO_MORE_FILES : 0, i != 3);
        EXPECT_EQ(copy->GetState(), static_cast<CFileServerCopy::State>(completions == 4 ? 5 : completions + 1));
        EXPECT_TRUE(copy->Cancel());
        EXPECT_EQ(owner.ends, std::vector<int>{2});
        EXPECT_EQ(owner.Texts(CopyLine::Log).back(), Failed(L"Cancel Button", FTP_ERROR_CANCELLED));
        EXPECT_EQ(client.calls.back(), L"CloseSession");
        EXPECT_EQ(owner.busyChanges, (std::vector<bool>{true, false}));
        EXPECT_EQ(copy->CloseCode(), 2);
        // What the client still says of the abandoned session is dropped.
        Complete(0, true);
        EXPECT_EQ(owner.ends, std::vector<int>{2});
        // A transfer in progress leaves nothing under the file's real name.
        EXPECT_EQ(Folder().count(L"qmcu0113.hex"), 0u);
    }
}

TEST_F(FileServerCopyTest, ARequestThatFailsAtOnceIsReportedAndFileNotFoundOnlyThere)
{
    LocalFiles({L"qmcu0112.hex"});
    struct Case {
        const wchar_t* failing;
        const wchar_t* request;
        uint32_t code;
        bool finishes;
    } cases[] = {
        {L"SetCurrentDirectory", L"FtpSetCurrentDirectory", FTP_ERROR_FILE_NOT_FOUND, false},
        {L"SetCurrentDirectory", L"FtpSetCurrentDirectory", 12003, true},
        {L"Connect", L"InternetConnect", 12007, true},
        {L"GetFile", L"FtpGetFile", 5, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.request)) + " " + std::to_string(c.code));
        client = ScriptedFtpClient();
        owner = RecordingOwner();
        Listing({L"qmcu0113.hex"});
        client.failAtOnce[c.failing] = c.code;
        Copy().Begin(nullptr);
        EXPECT_EQ(owner.Texts(CopyLine::Verbose), std::vector<std::wstring>{Failed(c.request, c.code)});
        EXPECT_EQ(owner.Has(CopyLine::Log, Failed(c.request, c.code)), c.finishes);
        if (!c.finishes) {
            EXPECT_EQ(copy->GetState(), CFileServerCopy::NavigatingDirectory) << "it waits for Cancel";
            EXPECT_TRUE(copy->Cancel());
            EXPECT_EQ(owner.ends, std::vector<int>{2});
            continue;
        }
        ConnectionClosed();
        EXPECT_EQ(owner.ends, std::vector<int>{1});
        EXPECT_EQ(Folder().count(L"qmcu0113.hex"), 0u);
    }
}

TEST_F(FileServerCopyTest, ASessionThatCannotBeOpenedStaysWithItsErrorAndClose)
{
    client.failAtOnce[L"OpenSession"] = 12029;
    Copy().Begin(nullptr);
    EXPECT_EQ(owner.Texts(CopyLine::Log), (std::vector<std::wstring>{Failed(L"Internet Session Open", 12029),
                                                                      L"Click \"Close\" to close this window"}));
    EXPECT_EQ(owner.closeShown, 1);
    EXPECT_TRUE(owner.ends.empty());
    EXPECT_EQ(copy->CloseCode(), 3);
}

TEST_F(FileServerCopyTest, OtherNoticesAreTracedAndTheConnectedLineGoesToTheLog)
{
    client.answer = ScriptedFtpClient::Answer::Pending;
    Copy(true).Begin(nullptr);
    copy->OnNotice(WM_FTP_STATUS, FTP_STATUS_CONNECTED, 0);
    copy->OnNotice(WM_FTP_STATUS, 10, 0);
    EXPECT_TRUE(owner.Has(CopyLine::LogOnly,
                          L"Connected to Norvanta server\nPlease be patient, this takes a few seconds"));
    EXPECT_TRUE(owner.Has(CopyLine::Trace, L"CFtpDlg::OnInternetStatus 10"));
    EXPECT_FALSE(copy->OnNotice(0x8000, 0, 0)) << "not a notice of the client";
}

} // namespace

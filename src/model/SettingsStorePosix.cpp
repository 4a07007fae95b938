// The settings store off Windows: one settings file, rewritten whole and atomically on each change.
#include "model/SettingsStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/SettingsFile.h"
#include "model/StringTable.h"
#include "platform/LastError.h"
#include "platform/TextConversion.h"

namespace {

// Larger files are not settings files: refuse them rather than read them into memory.
constexpr off_t kMaximumFileSize = 64 * 1024 * 1024;

uint32_t LastErrno()
{
    const uint32_t code = ErrnoToSystemError(errno);
    return code != 0 ? code : 31; // ERROR_GEN_FAILURE
}

class CFileDescriptor {
public:
    explicit CFileDescriptor(int fd = -1) : fd_(fd) {}
    ~CFileDescriptor() { Reset(); }
    CFileDescriptor(CFileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    CFileDescriptor& operator=(CFileDescriptor&& other) noexcept
    {
        if (this != &other) {
            Reset();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    // Closes now and answers whether the close succeeded (a write error can surface here).
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    void Reset()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    int fd_;
};

std::string ParentFolder(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates every missing level of `folder` (user-only access for new levels).
uint32_t CreateFolders(const std::string& folder)
{
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode) ? 0 : 267; // ERROR_DIRECTORY
    if (errno != ENOENT)
        return LastErrno();
    const std::string parent = ParentFolder(folder);
    if (parent != folder)
        if (const uint32_t result = CreateFolders(parent))
            return result;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return LastErrno();
    return 0;
}

// The file's whole text; a missing file reads as empty.
uint32_t ReadWholeFile(const std::string& path, std::string& text)
{
    text.clear();
    CFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.IsOpen())
        return errno == ENOENT ? 0 : LastErrno();
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0)
        return LastErrno();
    if (!S_ISREG(info.st_mode))
        return ERROR_CODE_INVALID_DATA;
    if (info.st_size > kMaximumFileSize)
        return ERROR_CODE_INVALID_DATA;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof(buffer));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return LastErrno();
        }
        if (got == 0)
            return 0;
        if (text.size() + static_cast<size_t>(got) > static_cast<size_t>(kMaximumFileSize))
            return ERROR_CODE_INVALID_DATA;
        text.append(buffer, static_cast<size_t>(got));
    }
}

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(wrote);
    }
    return true;
}

// Writes a temporary file beside `path`, flushes it to disk and renames it into place, so the
// file on disk is always either the old text or the new one.
uint32_t ReplaceFile(const std::string& path, const std::string& text)
{
    const std::string folder = ParentFolder(path);
    const std::string base = path.substr(path.find_last_of('/') + 1);
    std::string temporary = folder + "/." + base + ".XXXXXX";
    CFileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.IsOpen())
        return LastErrno();
    // Keep the access rights of the file being replaced (mkostemp creates it user-only).
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        ::fchmod(fd.Get(), info.st_mode & 07777);
    uint32_t result = 0;
    if (!WriteAll(fd.Get(), text) || ::fsync(fd.Get()) != 0)
        result = LastErrno();
    if (!fd.Close() && result == 0)
        result = LastErrno();
    if (result == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        result = LastErrno();
    if (result != 0) {
        ::unlink(temporary.c_str());
        return result;
    }
    // The rename itself becomes durable with the folder.
    CFileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.IsOpen())
        ::fsync(dir.Get());
    return 0;
}

// Serialises read-modify-write cycles of programs sharing the file (a lock on its folder, which
// stays the same object while the file itself is replaced).
class CFolderLock {
public:
    explicit CFolderLock(const std::string& folder) : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (fd_.IsOpen()) {
            while (::flock(fd_.Get(), LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }

private:
    CFileDescriptor fd_;
};

// A value written while writes are gathered.
struct GatheredValue {
    std::wstring name;
    uint32_t type;
    std::vector<uint8_t> data;
};

class CSettingsFileStore : public ISettingsStore {
public:
    CSettingsFileStore(std::string path, std::wstring section) : path_(std::move(path)), section_(std::move(section)) {}

    ~CSettingsFileStore() override { CommitWrites(); }

    uint32_t QueryValue(const std::wstring& name, uint32_t& type, uint8_t* data, uint32_t& size) override
    {
        CSettingsFile file;
        if (const uint32_t result = Read(file))
            return result;
        if (gathering_ && !Apply(file))
            return ERROR_CODE_INVALID_PARAMETER;
        const CSettingsFile::Value* value = file.Find(section_, name);
        if (!value)
            return ERROR_CODE_FILE_NOT_FOUND;
        type = value->type;
        const uint32_t needed = static_cast<uint32_t>(value->data.size());
        const uint32_t room = size;
        size = needed;
        if (!data)
            return 0;
        if (needed > room)
            return ERROR_CODE_MORE_DATA;
        if (needed > 0)
            std::memcpy(data, value->data.data(), needed);
        return 0;
    }

    uint32_t SetValue(const std::wstring& name, uint32_t type, const uint8_t* data, uint32_t size) override
    {
        if (size > 0 && !data)
            return ERROR_CODE_INVALID_PARAMETER;
        if (gathering_) {
            CSettingsFile check; // refuses what the file could not hold, as a write through would
            if (!check.Set(section_, name, type, data, size))
                return ERROR_CODE_INVALID_PARAMETER;
            gathered_.push_back({name, type, std::vector<uint8_t>(data, data + size)});
            return 0;
        }
        const std::string folder = ParentFolder(path_);
        if (const uint32_t result = CreateFolders(folder))
            return result;
        CFolderLock lock(folder);
        CSettingsFile file;
        // A file that cannot be read is never overwritten: that would lose the settings it holds.
        if (const uint32_t result = Read(file))
            return result;
        if (!file.Set(section_, name, type, data, size))
            return ERROR_CODE_INVALID_PARAMETER;
        return ReplaceFile(path_, file.Serialize());
    }

    void BeginWrites() override { gathering_ = true; }

    uint32_t CommitWrites() override
    {
        gathering_ = false;
        if (gathered_.empty())
            return 0;
        const std::string folder = ParentFolder(path_);
        uint32_t result = CreateFolders(folder);
        if (result == 0) {
            CFolderLock lock(folder);
            CSettingsFile file;
            // A file that cannot be read is never overwritten: that would lose the settings it holds.
            result = Read(file);
            if (result == 0)
                result = Apply(file) ? ReplaceFile(path_, file.Serialize()) : ERROR_CODE_INVALID_PARAMETER;
        }
        gathered_.clear();
        return result;
    }

    uint32_t OpenSubKey(const std::wstring& name, bool create, std::unique_ptr<ISettingsStore>& key) override
    {
        key.reset();
        const std::wstring section = section_.empty() ? name : section_ + L"\\" + name;
        if (name.empty() || !CSettingsFile::IsValidSection(section))
            return ERROR_CODE_INVALID_PARAMETER;
        // A created section appears in the file with its first value.
        if (!create) {
            CSettingsFile file;
            if (const uint32_t result = Read(file))
                return result;
            if (!file.HasSection(section))
                return ERROR_CODE_FILE_NOT_FOUND;
        }
        key = std::make_unique<CSettingsFileStore>(path_, section);
        return 0;
    }

private:
    uint32_t Read(CSettingsFile& file) const
    {
        std::string text;
        if (const uint32_t result = ReadWholeFile(path_, text))
            return result;
        file = CSettingsFile::Parse(text);
        return 0;
    }

    // The gathered writes, in order, on top of what the file holds.
    bool Apply(CSettingsFile& file) const
    {
        for (const GatheredValue& value : gathered_) {
            const auto size = static_cast<uint32_t>(value.data.size());
            if (!file.Set(section_, value.name, value.type, value.data.data(), size))
                return false;
        }
        return true;
    }

    std::string path_;
    std::wstring section_;
    bool gathering_ = false;
    std::vector<GatheredValue> gathered_;
};

// A settings file reached through a symbolic link is replaced where it really lives.
std::string ResolveLink(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home == '/')
        return home;
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof(buffer), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return {};
}

} // namespace

std::unique_ptr<ISettingsStore> OpenSettingsAt(const std::wstring& location)
{
    if (location.empty()) {
        SetLastErrorCode(ERROR_CODE_INVALID_PARAMETER);
        return nullptr;
    }
    return std::make_unique<CSettingsFileStore>(ResolveLink(ToUtf8(location)), std::wstring());
}

std::unique_ptr<ISettingsStore> OpenApplicationSettings()
{
    // The registry key path "Software\Norvanta\MT6402 Utility" becomes "Norvanta/MT6402 Utility.conf"
    // in the user's configuration folder.
    std::wstring relative = LoadStringResource(IDS_APP_KEY);
    if (const std::wstring software = L"Software\\"; relative.starts_with(software))
        relative.erase(0, software.size());
    for (wchar_t& c : relative)
        if (c == L'\\')
            c = L'/';
    std::string folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
        folder = config;
    } else {
        const std::string home = HomeFolder();
        if (home.empty()) {
            SetLastErrorCode(ERROR_CODE_FILE_NOT_FOUND);
            return nullptr;
        }
        folder = home + "/.config";
    }
    return OpenSettingsAt(FromUtf8(folder) + L"/" + relative + L".conf");
}

// Folder listing off Windows: opendir / readdir over the folder's absolute path.
#include "firmware/FolderScan.h"

#include "platform/LastError.h"
#include "platform/TextConversion.h"

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace {

// Owns one directory stream and closes it once.
class CDirectoryStream {
public:
    explicit CDirectoryStream(DIR* stream) : stream_(stream) {}
    ~CDirectoryStream()
    {
        if (stream_)
            ::closedir(stream_);
    }
    CDirectoryStream(const CDirectoryStream&) = delete;
    CDirectoryStream& operator=(const CDirectoryStream&) = delete;
    DIR* Get() const { return stream_; }

private:
    DIR* stream_;
};

std::string AbsolutePathOf(const std::string& folder)
{
    if (!folder.empty() && folder[0] == '/')
        return folder;
    std::string current(4096, '\0');
    while (!::getcwd(current.data(), current.size())) {
        if (errno != ERANGE)
            return {};
        current.resize(current.size() * 2);
    }
    current.resize(current.find('\0'));
    return current + "/" + folder;
}

} // namespace

bool ForEachFolderEntry(const std::wstring& folder, const FolderEntryVisitor& visit)
{
    if (folder.empty()) {
        SetLastErrorCode(3); // ERROR_PATH_NOT_FOUND
        return false;
    }
    std::string prefix = AbsolutePathOf(ToUtf8(folder));
    if (prefix.empty()) {
        SetLastErrorCode(ErrnoToSystemError(errno));
        return false;
    }
    CDirectoryStream stream(::opendir(prefix.c_str()));
    if (!stream.Get()) {
        SetLastErrorCode(ErrnoToSystemError(errno));
        return false;
    }
    if (prefix.back() != '/')
        prefix += '/';
    std::wstring widePrefix = FromUtf8(prefix);
    while (const dirent* entry = ::readdir(stream.Get())) {
        bool isDirectory = entry->d_type == DT_DIR;
        // File systems that do not report the type, and symbolic links, are asked what they name.
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat info {};
            isDirectory = ::stat((prefix + entry->d_name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        visit(widePrefix + FromUtf8(entry->d_name), isDirectory);
    }
    return true;
}

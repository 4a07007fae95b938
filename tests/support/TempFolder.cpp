// Temporary test folders over std::filesystem, paths converted through UTF-8 on every platform.
#include "TempFolder.h"

#include "platform/Directories.h"
#include "platform/TextConversion.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

fs::path ToFsPath(std::wstring_view path)
{
    std::string utf8 = ToUtf8(path);
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::wstring FromFsPath(const fs::path& path)
{
    std::u8string utf8 = path.u8string();
    return FromUtf8(std::string(utf8.begin(), utf8.end()));
}

} // namespace

TempFolder::TempFolder()
{
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::error_code error;
    for (;;) {
        fs::path candidate = fs::temp_directory_path(error) /
                             ("mt6402-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        if (fs::create_directories(candidate, error)) {
            path_ = FromFsPath(candidate);
            break;
        }
    }
    while (path_.size() > 1 && IsPathSeparator(path_.back()))
        path_.pop_back();
}

TempFolder::~TempFolder()
{
    std::error_code error;
    fs::remove_all(ToFsPath(path_), error);
}

std::wstring TempFolder::Join(std::wstring_view name) const
{
    std::wstring path = path_;
    path += PathSeparator();
    path += name;
    return path;
}

std::wstring TempFolder::WriteFile(std::wstring_view name, std::string_view bytes) const
{
    std::wstring path = Join(name);
    std::ofstream out(ToFsPath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::wstring TempFolder::MakeFolder(std::wstring_view name) const
{
    std::wstring path = Join(name);
    std::error_code error;
    fs::create_directories(ToFsPath(path), error);
    return path;
}

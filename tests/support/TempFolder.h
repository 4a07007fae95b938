// A private temporary folder for one test, with its files; removed with everything in it at the end.
#pragma once
#include <string>
#include <string_view>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, without a trailing separator.
    const std::wstring& Path() const { return path_; }
    // The path of `name` inside the folder (nothing is created).
    std::wstring Join(std::wstring_view name) const;
    // Writes `bytes` to the file `name` inside the folder and returns its path.
    std::wstring WriteFile(std::wstring_view name, std::string_view bytes) const;
    // Creates the sub-folder `name` and returns its path.
    std::wstring MakeFolder(std::wstring_view name) const;

private:
    std::wstring path_;
};

// Reads a module's version block with the system's version functions.
#include "ui/FileVersionInfo.h"

#include <windows.h>

#include <vector>

#include "model/Format.h"
#include "platform/LastError.h"

namespace {

constexpr const wchar_t* kTextNames[CFileVersionInfo::TextCount] = {
    L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName", L"LegalCopyright", L"OriginalFileName",
    L"ProductName", L"ProductVersion", L"Comments", L"LegalTrademarks", L"PrivateBuild", L"SpecialBuild"};

std::wstring QueryText(const void* block, const std::wstring& path)
{
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block, path.c_str(), &value, &length) || !value || length == 0)
        return {};
    const auto* text = static_cast<const wchar_t*>(value);
    std::wstring result(text, length);
    result.resize(wcsnlen(result.c_str(), result.size()));
    return result;
}

} // namespace

bool CFileVersionInfo::Read(const std::wstring& path)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) {
        SetLastErrorCode(GetLastError());
        return false;
    }
    std::vector<uint8_t> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) {
        SetLastErrorCode(GetLastError());
        return false;
    }
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
        SetLastErrorCode(ERROR_RESOURCE_DATA_NOT_FOUND);
        return false;
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    fileVersion_ = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                    LOWORD(fixed->dwFileVersionLS)};

    std::vector<VersionTranslation> table;
    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) && value) {
        const auto* words = static_cast<const uint16_t*>(value);
        for (UINT i = 0; i + 1 < length / sizeof(uint16_t); i += 2)
            table.push_back({words[i], words[i + 1]});
    }
    texts_ = {};
    if (!table.empty()) {
        const VersionTranslation& chosen = table[ChooseTranslation(table, GetUserDefaultLangID())];
        std::wstring prefix = Format(L"\\StringFileInfo\\%04X%04X\\", chosen.language, chosen.codePage);
        for (int i = 0; i < TextCount; ++i)
            texts_[i] = QueryText(block.data(), prefix + kTextNames[i]);
    }
    return true;
}

bool CFileVersionInfo::ReadOwnExecutable()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            SetLastErrorCode(GetLastError());
            return false;
        }
        if (length < buffer.size())
            return Read(std::wstring(buffer.data(), length));
        buffer.resize(buffer.size() * 2);
    }
}

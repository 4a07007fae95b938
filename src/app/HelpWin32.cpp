// The program's HTML Help, through the HTML Help component loaded on first use.
#include "app/Help.h"

#include <oleauto.h>

#include <utility>
#include <vector>

#include "model/StringTable.h"
#include "platform/LastError.h"
#include "platform/UserQuestions.h"
#include "ui/WindowTarget.h"

namespace {

constexpr UINT kDisplayTopic = 0x0000;    // HH_DISPLAY_TOPIC
constexpr UINT kDisplayToc = 0x0001;      // HH_DISPLAY_TOC
constexpr UINT kCloseAll = 0x0012;        // HH_CLOSE_ALL
constexpr UINT kGetLastError = 0x0014;    // HH_GET_LAST_ERROR
constexpr WORD kHtmlHelpWOrdinal = 15;    // HtmlHelpW's export ordinal
constexpr wchar_t kHelpServerKey[] = L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr wchar_t kWindowSuffix[] = L">$global_main";

struct HelpLastError {
    int cbStruct;
    HRESULT hr;
    BSTR description;
};

using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

// Owns a loaded library and frees it once.
class CLibrary {
public:
    CLibrary() = default;
    explicit CLibrary(HMODULE module) : module_(module) {}
    ~CLibrary()
    {
        if (module_)
            FreeLibrary(module_);
    }
    CLibrary(CLibrary&& other) noexcept : module_(std::exchange(other.module_, nullptr)) {}
    CLibrary& operator=(CLibrary&& other) noexcept
    {
        std::swap(module_, other.module_);
        return *this;
    }
    HMODULE Get() const { return module_; }

private:
    HMODULE module_ = nullptr;
};

// Owns an open registry key and closes it once.
class CRegKey {
public:
    ~CRegKey()
    {
        if (key_)
            RegCloseKey(key_);
    }
    HKEY* Receive() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// The registered in-process server of the HTML Help control, environment strings expanded.
std::wstring RegisteredHelpServer()
{
    CRegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, kHelpServerKey, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return {};
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size < sizeof(wchar_t))
        return {};
    std::vector<wchar_t> raw(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(raw.data()), &size) !=
        ERROR_SUCCESS)
        return {};
    raw.back() = L'\0';
    DWORD needed = ExpandEnvironmentStringsW(raw.data(), nullptr, 0);
    if (needed == 0)
        return {};
    std::vector<wchar_t> expanded(needed, L'\0');
    if (ExpandEnvironmentStringsW(raw.data(), expanded.data(), needed) == 0)
        return {};
    return expanded.data();
}

struct HelpComponent {
    bool tried = false;
    CLibrary library;
    HtmlHelpFunction htmlHelp = nullptr;
    DWORD loadError = 0;
};

HelpComponent& Component()
{
    static HelpComponent component;
    return component;
}

// Loads the component once; a failure is remembered, so later calls fail at once.
HtmlHelpFunction HtmlHelpEntry()
{
    HelpComponent& component = Component();
    if (component.tried)
        return component.htmlHelp;
    component.tried = true;
    std::wstring server = RegisteredHelpServer();
    HMODULE module = server.empty() ? nullptr : LoadLibraryW(server.c_str());
    if (!module)
        module = LoadLibraryW(L"hhctrl.ocx");
    if (!module) {
        component.loadError = GetLastError();
        return nullptr;
    }
    component.library = CLibrary(module);
    auto entry = reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpW")));
    if (!entry)
        entry = reinterpret_cast<HtmlHelpFunction>(
            reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(kHtmlHelpWOrdinal))));
    if (!entry)
        component.loadError = GetLastError();
    component.htmlHelp = entry;
    return entry;
}

// The component's description of its last failure, or empty.
std::wstring LastHelpErrorText(HtmlHelpFunction htmlHelp)
{
    HelpLastError error{};
    error.cbStruct = sizeof error;
    htmlHelp(nullptr, nullptr, kGetLastError, reinterpret_cast<DWORD_PTR>(&error));
    std::wstring text;
    if (error.description) {
        text = error.description;
        SysFreeString(error.description);
    }
    return text;
}

bool Show(HWND owner, const std::wstring& request, UINT command)
{
    HtmlHelpFunction htmlHelp = HtmlHelpEntry();
    if (htmlHelp && htmlHelp(owner, request.c_str(), command, 0))
        return true;
    DWORD error = htmlHelp ? ERROR_FILE_NOT_FOUND : Component().loadError;
    std::wstring text = htmlHelp ? LastHelpErrorText(htmlHelp) : std::wstring();
    if (text.empty())
        text = request;
    CWindowTarget ownerTarget(owner);
    AskUser(owner ? &ownerTarget : nullptr, text, LoadStringResource(IDS_HELP_ERROR), MB_ICONEXCLAMATION);
    if (htmlHelp)
        htmlHelp(nullptr, nullptr, kCloseAll, 0);
    SetLastErrorCode(error ? error : ERROR_FILE_NOT_FOUND);
    return false;
}

} // namespace

std::wstring HelpFilePath()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size()) {
            std::wstring path(buffer.data(), length);
            size_t name = path.find_last_of(L"\\/");
            size_t dot = path.find_last_of(L'.');
            if (dot != std::wstring::npos && (name == std::wstring::npos || dot > name))
                path.erase(dot);
            return path + L".chm";
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool ShowHelpContents(HWND owner) { return Show(owner, HelpFilePath() + kWindowSuffix, kDisplayToc); }

bool ShowHelpTopic(HWND owner, const wchar_t* topic)
{
    if (!topic || !*topic)
        return ShowHelpContents(owner);
    return Show(owner, HelpFilePath() + L"::/" + topic + kWindowSuffix, kDisplayTopic);
}

void CloseAllHelp()
{
    HelpComponent& component = Component();
    if (component.htmlHelp)
        component.htmlHelp(nullptr, nullptr, kCloseAll, 0);
}

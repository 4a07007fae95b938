// The shell's folder browser (SHBrowseForFolderW), with the current folder selected when it opens.
#include "ui/FolderBrowser.h"

#include <objbase.h>
#include <shlobj.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace {

FolderBrowser& InstalledBrowser()
{
    static FolderBrowser browser;
    return browser;
}

struct ItemListFree {
    void operator()(std::remove_pointer_t<PIDLIST_ABSOLUTE>* list) const { CoTaskMemFree(list); }
};
using ItemList = std::unique_ptr<std::remove_pointer_t<PIDLIST_ABSOLUTE>, ItemListFree>;

int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM initialFolder)
{
    if (message == BFFM_INITIALIZED && initialFolder)
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, initialFolder);
    return 0;
}

bool ShellBrowseForFolder(HWND owner, const std::wstring& title, const std::wstring& initialFolder,
                          std::wstring& chosen)
{
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = initialFolder.empty() ? 0 : reinterpret_cast<LPARAM>(initialFolder.c_str());
    // The item list is freed whatever the user chose.
    ItemList list(SHBrowseForFolderW(&info));
    if (!list)
        return false;
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(list.get(), path) || path[0] == L'\0')
        return false;
    chosen = path;
    return true;
}

} // namespace

bool BrowseForFolder(HWND owner, const std::wstring& title, const std::wstring& initialFolder, std::wstring& chosen)
{
    if (const FolderBrowser& browser = InstalledBrowser())
        return browser(owner, title, initialFolder, chosen);
    return ShellBrowseForFolder(owner, title, initialFolder, chosen);
}

FolderBrowser SetFolderBrowser(FolderBrowser browser) { return std::exchange(InstalledBrowser(), std::move(browser)); }

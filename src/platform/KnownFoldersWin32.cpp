// The user's data folder on Windows: SHGetFolderPathW, application data first, documents second.
#include "platform/KnownFolders.h"
#include "platform/MessageTarget.h"

#include <windows.h>
#include <shlobj.h>

std::wstring GetUserDataFolder(IMessageTarget* owner)
{
    HWND window = owner ? static_cast<HWND>(owner->NativeHandle()) : nullptr;
    wchar_t path[MAX_PATH] = {};
    for (int folder : {CSIDL_APPDATA, CSIDL_PERSONAL}) {
        if (SUCCEEDED(SHGetFolderPathW(window, folder, nullptr, SHGFP_TYPE_CURRENT, path)))
            return path;
    }
    return {};
}

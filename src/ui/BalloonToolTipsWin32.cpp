// The pages' balloon tooltips.
#include "ui/BalloonToolTips.h"

#include <commctrl.h>

#include <string>

#include "model/StringTable.h"

HWND CreateBalloonToolTips(HWND owner, std::span<const ToolTipEntry> tools)
{
    HWND toolTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_BALLOON,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    if (!toolTip)
        return nullptr;
    for (const ToolTipEntry& tool : tools) {
        if (!tool.control)
            continue;
        std::wstring text = LoadStringResource(tool.textId); // the control copies the text
        TOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = owner;
        info.uId = reinterpret_cast<UINT_PTR>(tool.control);
        info.lpszText = text.data();
        SendMessageW(toolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
    SendMessageW(toolTip, TTM_ACTIVATE, TRUE, 0);
    return toolTip;
}

// The pages' balloon tooltips: one activated tooltip window, each tool a control that it subclasses.
#pragma once
#include <windows.h>

#include <cstdint>
#include <span>

struct ToolTipEntry {
    HWND control;    // controls that do not exist are passed over
    uint32_t textId; // string-table id of the tip
};

// Creates the tooltip window owned by `owner` with a tool for every control, and activates it.
// Null when the window cannot be created (the page then simply has no tips).
HWND CreateBalloonToolTips(HWND owner, std::span<const ToolTipEntry> tools);

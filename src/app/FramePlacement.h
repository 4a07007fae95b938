// The main frame's place on the screen: its stored placement, or its default size centred on the work area.
#pragma once
#include <windows.h>

#include "model/WindowPlacement.h"

WindowPlacement ToStored(const WINDOWPLACEMENT& placement);
// The stored placement as the window takes it; a window saved minimised comes back in its normal size.
WINDOWPLACEMENT FromStored(const WindowPlacement& stored);

// The frame's default (and minimum) size: the tab view's created client size scaled to 105 % and
// 109 %, but never less than the window that shows `neededClient` (every page whole) with the
// frame's border, caption, menu and a status bar of `statusBarHeight`.
SIZE DefaultFrameSize(HWND frame, SIZE createdClient, SIZE neededClient, int statusBarHeight);

// Gives the frame `size` and centres it on the screen's work area.
void PlaceCentred(HWND frame, SIZE size);

// Places a dialog in the middle of its owner, inside the work area of the owner's monitor.
#pragma once
#include <windows.h>

// Centres `window` on its owner (on the work area when it has none) without resizing it, keeping it
// wholly on the owner's monitor.
void CentreOnOwner(HWND window);

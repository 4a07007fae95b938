// When the edit commands of a text window's context menu are available, and where the menu may appear.
#pragma once
#include <cstdint>

struct EditState {
    bool canUndo = false;
    bool hasSelection = false;
    bool readOnly = false;
    bool canPaste = false;
};

// Undo needs something to undo; Cut and Delete a selection in a writable control; Copy a
// selection; Paste clipboard data a writable control accepts; Select All is always available. Commands
// are the context menu's ids (57643 undo, 57635 cut, 57634 copy, 57637 paste, 57632 delete,
// 57642 select all); any other id is not available.
bool IsEditCommandEnabled(uint32_t command, const EditState& state);

// A horizontal coordinate moved into [left, right) (a monitor's extent, right exclusive).
int ClampIntoExtent(int x, int left, int right);

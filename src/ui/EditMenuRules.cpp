// When the edit commands of a text window's context menu are available.
#include "ui/EditMenuRules.h"

#include "ResourceIds.h"

bool IsEditCommandEnabled(uint32_t command, const EditState& state)
{
    switch (command) {
    case ID_EDIT_UNDO:
        return state.canUndo;
    case ID_EDIT_CUT:
    case ID_EDIT_CLEAR:
        return state.hasSelection && !state.readOnly;
    case ID_EDIT_COPY:
        return state.hasSelection;
    case ID_EDIT_PASTE:
        return state.canPaste && !state.readOnly;
    case ID_EDIT_SELECT_ALL:
        return true;
    default:
        return false;
    }
}

int ClampIntoExtent(int x, int left, int right)
{
    if (right <= left)
        return left;
    if (x < left)
        return left;
    if (x >= right)
        return right - 1;
    return x;
}

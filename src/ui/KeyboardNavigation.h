// Keyboard navigation rules of the main window: page keys on the tab control and F6 between panes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Virtual-key codes of the keys these rules know (the values of the Windows keyboard).
constexpr uint32_t NAV_KEY_TAB = 0x09;
constexpr uint32_t NAV_KEY_PAGE_UP = 0x21;
constexpr uint32_t NAV_KEY_PAGE_DOWN = 0x22;
constexpr uint32_t NAV_KEY_END = 0x23;
constexpr uint32_t NAV_KEY_HOME = 0x24;

// The page a key asks the tab control for: Ctrl+Tab and Ctrl+Page Down the next page, Ctrl+Shift+Tab
// and Ctrl+Page Up the previous one, wrapping at either end; Home and End (without Ctrl) the first
// and the last page. -1 when the key is no page key or there are no pages; `current` -1 (no page
// shown) counts as before the first page.
int PageForTabKey(uint32_t virtualKey, bool control, bool shift, int current, int pageCount);

// The pane F6 (forward) or Shift+F6 (backward) moves to: the next one in order that can take the
// keyboard focus, wrapping around, skipping the rest. From outside every pane (`current` -1)
// forward starts at the first pane and backward at the last. -1 when no pane can take the focus.
int NextPane(int current, const std::vector<bool>& focusable, bool forward);

// Resize rules of a dialog's controls: which grow, which move, which share extra width in a row.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct LayoutRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const LayoutRect&) const = default;
};

// How a control follows the growth of its dialog; flags combine.
enum LayoutFlags : uint32_t {
    LayoutKeep = 0,        // stays as it is
    LayoutGrowX = 1 << 0,  // widens by the extra width (or by its share, see below)
    LayoutGrowY = 1 << 1,  // grows downward by the extra height
    LayoutMoveX = 1 << 2,  // moves right by the extra width
    LayoutMoveY = 1 << 3,  // moves down by the extra height
};

// One control's rule. With shareCount > 1 the control is member `shareIndex` of a row of
// `shareCount` controls that divide the extra width between them in their order: member k widens
// by its share and moves right by the shares of the members before it (LayoutGrowX implied).
struct LayoutRule {
    int id = 0;
    uint32_t flags = LayoutKeep;
    unsigned shareIndex = 0;
    unsigned shareCount = 1;
};

// The original rectangles of the controls and the original client size of their dialog. The
// dialog never lays out its controls smaller than the original: less room than that counts as none.
class CLayout {
public:
    void Reset(int originalWidth, int originalHeight);
    void Add(const LayoutRule& rule, const LayoutRect& original);

    // The rectangle of every control, in the order added, for a client area of this size.
    std::vector<LayoutRect> Arrange(int width, int height) const;

    size_t Count() const { return items_.size(); }
    const LayoutRule& Rule(size_t index) const { return items_[index].rule; }

    // The part of `extra` that member `index` of `count` members gets, and the sum of the parts of
    // the members before it; the parts add up to `extra` exactly.
    static int ShareOf(int extra, unsigned index, unsigned count);
    static int OffsetOf(int extra, unsigned index, unsigned count);

private:
    struct Item {
        LayoutRule rule;
        LayoutRect original;
    };
    int width_ = 0;
    int height_ = 0;
    std::vector<Item> items_;
};

// Resize rules of a dialog's controls.
#include "ui/Layout.h"

#include <algorithm>

void CLayout::Reset(int originalWidth, int originalHeight)
{
    width_ = originalWidth;
    height_ = originalHeight;
    items_.clear();
}

void CLayout::Add(const LayoutRule& rule, const LayoutRect& original) { items_.push_back({rule, original}); }

int CLayout::OffsetOf(int extra, unsigned index, unsigned count)
{
    if (count == 0)
        return 0;
    return static_cast<int>(static_cast<int64_t>(extra) * index / count);
}

int CLayout::ShareOf(int extra, unsigned index, unsigned count)
{
    return OffsetOf(extra, index + 1, count) - OffsetOf(extra, index, count);
}

std::vector<LayoutRect> CLayout::Arrange(int width, int height) const
{
    const int dx = std::max(0, width - width_);
    const int dy = std::max(0, height - height_);
    std::vector<LayoutRect> result;
    result.reserve(items_.size());
    for (const Item& item : items_) {
        LayoutRect r = item.original;
        const LayoutRule& rule = item.rule;
        if (rule.shareCount > 1) {
            unsigned index = std::min(rule.shareIndex, rule.shareCount - 1);
            r.left += OffsetOf(dx, index, rule.shareCount);
            r.right += OffsetOf(dx, index + 1, rule.shareCount);
        } else if (rule.flags & LayoutGrowX) {
            r.right += dx;
        }
        if (rule.flags & LayoutMoveX) {
            r.left += dx;
            r.right += dx;
        }
        if (rule.flags & LayoutGrowY)
            r.bottom += dy;
        if (rule.flags & LayoutMoveY) {
            r.top += dy;
            r.bottom += dy;
        }
        result.push_back(r);
    }
    return result;
}

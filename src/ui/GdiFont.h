// Owns one GDI font handle and deletes it once.
#pragma once
#include <utility>

#include <windows.h>

// Move-only; the font is deleted when the object goes away or takes another font.
class CGdiFont {
public:
    CGdiFont() = default;
    explicit CGdiFont(HFONT font) : font_(font) {}
    ~CGdiFont() { Reset(); }
    CGdiFont(CGdiFont&& other) noexcept : font_(std::exchange(other.font_, nullptr)) {}
    CGdiFont& operator=(CGdiFont&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.font_, nullptr));
        return *this;
    }
    CGdiFont(const CGdiFont&) = delete;
    CGdiFont& operator=(const CGdiFont&) = delete;

    // Deletes the font held (unless it is `font`) and takes `font` (may be null).
    void Reset(HFONT font = nullptr);
    HFONT Get() const { return font_; }

    // A fixed-pitch font of the face at this size in points on the screen
    // (height = -(points x vertical pixels per inch / 72)); holds null when it cannot be created.
    static CGdiFont CreateFixedFont(const wchar_t* face, int points);

private:
    HFONT font_ = nullptr;
};

// Owns one GDI font handle and deletes it once.
#include "ui/GdiFont.h"

void CGdiFont::Reset(HFONT font)
{
    if (font_ && font_ != font)
        DeleteObject(font_);
    font_ = font;
}

CGdiFont CGdiFont::CreateFixedFont(const wchar_t* face, int points)
{
    HDC screen = GetDC(nullptr);
    int pixelsPerInch = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    LOGFONTW font{};
    font.lfHeight = -MulDiv(points, pixelsPerInch, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return CGdiFont(CreateFontIndirectW(&font));
}

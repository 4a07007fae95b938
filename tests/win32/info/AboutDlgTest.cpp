// The About and License Agreement dialogs under Wine: the version-block text, the licence resource rendered.
#include "ui/AboutDlg.h"
#include "ui/LicenseDlg.h"

#include <richedit.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "DialogScript.h"
#include "FrameFixture.h"
#include "ResourceIds.h"
#include "model/Format.h"
#include "model/StringTable.h"
#include "ui/FileVersionInfo.h"

namespace {

constexpr wchar_t kAboutTitle[] = L"About Norvanta MT6402 Utility";
constexpr wchar_t kLicenseTitle[] = L"Norvanta MT6402 Utility License Agreement";

bool Near(POINT a, POINT b) { return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1; }

using AboutDlgTest = FrameFixture;

TEST_F(AboutDlgTest, AboutCommandShowsTheVersionBlockOverTheFrame)
{
    CFileVersionInfo version;
    ASSERT_TRUE(version.ReadOwnExecutable());
    ASSERT_EQ(version.Get(CFileVersionInfo::FileDescription), L"MT6402 Utility");
    const auto parts = version.FileVersionParts();
    std::wstring text, owner;
    HWND ownerWindow = nullptr;
    LONG_PTR style = 0;
    POINT centre{};
    DialogScript script({{kAboutTitle, [&](HWND about) {
                              text = WindowText(GetDlgItem(about, IDC_ABOUT_TEXT));
                              ownerWindow = GetWindow(about, GW_OWNER);
                              style = GetWindowLongPtrW(about, GWL_STYLE);
                              centre = WindowCentre(about);
                              PressButton(about, IDCANCEL);
                          }}});
    Command(ID_APP_ABOUT);
    ASSERT_TRUE(script.Finished());
    // Description, blank line, the revision, blank line, the legal notice, then the credit.
    const std::wstring head = Format(L"MT6402 Utility\n\nRevision %u.%u.%u.%u\n\n%s\n\n", parts[0], parts[1], parts[2],
                                     parts[3], version.Get(CFileVersionInfo::LegalCopyright));
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(text, Format(StringId{IDS_ABOUT_TEXT}, L"MT6402 Utility", parts[0], parts[1], parts[2], parts[3],
                           version.Get(CFileVersionInfo::LegalCopyright)));
    EXPECT_NE(version.Get(CFileVersionInfo::LegalCopyright).find(L"Norvanta"), std::wstring::npos);
    EXPECT_EQ(ownerWindow, Frame());
    EXPECT_FALSE(style & WS_THICKFRAME) << "the About dialog has a fixed size";
    EXPECT_TRUE(Near(centre, WindowCentre(Frame())));
    EXPECT_TRUE(IsWindowEnabled(Frame())) << "the frame is enabled again once the dialog has ended";
}

TEST_F(AboutDlgTest, ViewLicenseAgreementRunsTheLicenceOverAboutAndEachCloses)
{
    HWND aboutWindow = nullptr, licenseOwner = nullptr;
    bool aboutEnabledUnderLicense = true;
    std::wstring licenseText;
    DialogScript script({
        {kAboutTitle, [&](HWND about) {
             aboutWindow = about;
             PressButton(about, IDC_VIEW_LICENSE); // returns when the licence has closed
         }},
        {kLicenseTitle, [&](HWND license) {
             licenseOwner = GetWindow(license, GW_OWNER);
             aboutEnabledUnderLicense = IsWindowEnabled(aboutWindow) != FALSE;
             licenseText = RichEditText(GetDlgItem(license, IDC_DOCUMENT));
             PressButton(license, IDCANCEL);
         }},
        {kAboutTitle, [&](HWND about) {
             // Esc on the dialog's keyboard navigation ends it as "Close" does.
             PostMessageW(GetDlgItem(about, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0);
         }},
    });
    Command(ID_APP_ABOUT);
    EXPECT_EQ(script.StepsRun(), 3u);
    EXPECT_EQ(licenseOwner, aboutWindow);
    EXPECT_FALSE(aboutEnabledUnderLicense) << "the licence is modal over About";
    EXPECT_NE(licenseText.find(L"End-User License Agreement"), std::wstring::npos);
    EXPECT_TRUE(ThreadDialogs(kAboutTitle).empty());
    EXPECT_TRUE(ThreadDialogs(kLicenseTitle).empty());
}

using LicenseDlgTest = FrameFixture;

TEST_F(LicenseDlgTest, ResourceIsAnRtfDocumentInCodePage1252EndingInOneZeroByte)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_LICENSE), MAKEINTRESOURCEW(RT_LICENSE_RTF));
    ASSERT_NE(found, nullptr);
    const DWORD size = SizeofResource(module, found);
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(bytes, nullptr);
    ASSERT_GT(size, 1000u);
    const std::string_view rtf(bytes, size);
    EXPECT_EQ(rtf.back(), '\0');
    EXPECT_EQ(rtf.find('\0'), size - 1) << "no zero byte before the end";
    EXPECT_EQ(rtf.substr(0, 6), "{\\rtf1");
    EXPECT_NE(rtf.find("\\ansicpg1252"), std::string_view::npos);
    for (unsigned char c : rtf.substr(0, size - 1))
        ASSERT_TRUE(c < 0x80) << "characters beyond ASCII are written as RTF escapes";
}

TEST_F(LicenseDlgTest, ShowsTheAgreementRenderedReadOnlyAndFollowsResizing)
{
    // The sections a user looks for, as headings (bold) in the rendered text.
    const std::wstring headings[] = {L"1. Definitions", L"2. Grant of License", L"3. What You May Not Do",
                                     L"7. No Warranty", L"8. Limitation of Liability", L"9. Termination",
                                     L"10. General Terms"};
    std::wstring text;
    std::vector<bool> bold;
    bool readOnly = false, links = true, editMenu = false;
    CHARRANGE selection{-1, -1};
    LRESULT firstLine = -1;
    HWND focus = nullptr;
    RECT documentBefore{}, documentAfter{}, buttonBefore{}, buttonAfter{}, clientBefore{}, clientAfter{};
    SIZE windowSize{};
    MINMAXINFO limits{};
    bool modalOverOwner = false;
    DialogScript script({{kLicenseTitle, [&](HWND license) {
                              HWND document = GetDlgItem(license, IDC_DOCUMENT);
                              text = RichEditText(document);
                              for (const std::wstring& heading : headings) {
                                  size_t at = text.find(heading);
                                  bold.push_back(at != std::wstring::npos &&
                                                 IsBold(document, static_cast<long>(at),
                                                        static_cast<long>(at + heading.size())));
                              }
                              readOnly = (GetWindowLongPtrW(document, GWL_STYLE) & ES_READONLY) != 0;
                              links = SendMessageW(document, EM_GETAUTOURLDETECT, 0, 0) != 0;
                              SendMessageW(document, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
                              firstLine = SendMessageW(document, EM_GETFIRSTVISIBLELINE, 0, 0);
                              focus = GetFocus() == document ? document : nullptr;
                              editMenu = OffersEditMenu(document);
                              modalOverOwner = GetWindow(license, GW_OWNER) == Frame() && !IsWindowEnabled(Frame());

                              documentBefore = ControlRect(license, IDC_DOCUMENT);
                              buttonBefore = ControlRect(license, IDCANCEL);
                              GetClientRect(license, &clientBefore);
                              RECT window{};
                              GetWindowRect(license, &window);
                              windowSize = {window.right - window.left, window.bottom - window.top};
                              SetWindowPos(license, nullptr, 0, 0, windowSize.cx + 120, windowSize.cy + 80,
                                           SWP_NOMOVE | SWP_NOZORDER);
                              documentAfter = ControlRect(license, IDC_DOCUMENT);
                              buttonAfter = ControlRect(license, IDCANCEL);
                              GetClientRect(license, &clientAfter);
                              SendMessageW(license, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
                              PressButton(license, IDCANCEL);
                          }}});
    CLicenseDlg license;
    EXPECT_EQ(license.DoModal(Frame()), IDCANCEL);
    ASSERT_TRUE(script.Finished());

    EXPECT_NE(text.find(L"Norvanta MT6402 Utility\rEnd-User License Agreement\r"), std::wstring::npos);
    for (size_t i = 0; i < std::size(headings); ++i)
        EXPECT_TRUE(bold[i]) << "heading \"" << std::string(headings[i].begin(), headings[i].end()) << "\"";
    // Rendered, not shown as source: no control words, groups or hex escapes are left.
    for (const wchar_t* source : {L"\\rtf1", L"\\par", L"\\b", L"{", L"}", L"\\'"})
        EXPECT_EQ(text.find(source), std::wstring::npos) << "RTF source in the text";
    // The quotation marks of the defined terms are the typographic ones of code page 1252.
    EXPECT_NE(text.find(L"\u201CFirmware\u201D means"), std::wstring::npos);
    EXPECT_NE(text.find(L"The Firmware Remains Norvanta\u2019s Property"), std::wstring::npos);
    EXPECT_TRUE(readOnly);
    EXPECT_FALSE(links);
    EXPECT_TRUE(editMenu);
    EXPECT_TRUE(modalOverOwner);
    // The reader starts at the top, with the keyboard in the text.
    EXPECT_NE(focus, nullptr);
    EXPECT_EQ(selection.cpMin, 0);
    EXPECT_EQ(selection.cpMax, 0);
    EXPECT_EQ(firstLine, 0);

    // The text takes all the growth; the button keeps its distance to the lower right corner.
    const int grownX = clientAfter.right - clientBefore.right;
    const int grownY = clientAfter.bottom - clientBefore.bottom;
    ASSERT_GT(grownX, 0);
    ASSERT_GT(grownY, 0);
    EXPECT_EQ(documentAfter.left, documentBefore.left);
    EXPECT_EQ(documentAfter.top, documentBefore.top);
    EXPECT_EQ(documentAfter.right, documentBefore.right + grownX);
    EXPECT_EQ(documentAfter.bottom, documentBefore.bottom + grownY);
    EXPECT_EQ(buttonAfter.left, buttonBefore.left + grownX);
    EXPECT_EQ(buttonAfter.top, buttonBefore.top + grownY);
    EXPECT_EQ(buttonAfter.right - buttonAfter.left, buttonBefore.right - buttonBefore.left);
    // Never smaller than it opened.
    EXPECT_EQ(limits.ptMinTrackSize.x, windowSize.cx);
    EXPECT_EQ(limits.ptMinTrackSize.y, windowSize.cy);
}

} // namespace

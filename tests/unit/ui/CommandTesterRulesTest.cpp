// The Command Tester's rules: when it sends, what goes out and into the output, received bytes, macros, layout.
#include "ui/CommandTesterRules.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeSerialPort.h"
#include "FakeTimerHost.h"
#include "MemorySettingsStore.h"
#include "RecordingTarget.h"
#include "ResourceIds.h"
#include "model/Model.h"

namespace {

// Records every append, with how many bytes the port had been given when it came.
class RecordingOutput : public ICommandOutput {
public:
    struct Entry {
        std::wstring text;
        OutputKind kind;
        size_t bytesWrittenBefore;
    };
    explicit RecordingOutput(const FakeSerialPort* port = nullptr) : port_(port) {}
    void Append(std::wstring_view text, OutputKind kind) override
    {
        entries.push_back({std::wstring(text), kind, port_ ? port_->written.size() : 0});
    }
    std::wstring AllText() const
    {
        std::wstring all;
        for (const Entry& entry : entries)
            all += entry.text;
        return all;
    }
    std::vector<Entry> entries;

private:
    const FakeSerialPort* port_;
};

TEST(CommandTesterRules, TheBoxSendsByItselfOnlyWhenItsTextEndsWithASemicolon)
{
    struct Case {
        const wchar_t* text;
        bool sends;
    } cases[] = {
        {L"FA;", true}, {L";", true}, {L"FA", false}, {L"", false}, {L"F;A", false}, {L"FA; ", false},
        {L"FA;\r\n", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SendsByItself(c.text), c.sends) << c.text;
}

TEST(CommandTesterRules, NothingIsSentWhenTheTextIsEmptyOrNothingAnswers)
{
    struct Case {
        const wchar_t* text;
        uint32_t status;
        bool sends;
    } cases[] = {
        {L"V", FirmwareStatusRunning, true},
        {L"V", FirmwareStatusLoaderWaiting, true},
        {L"V", FirmwareStatusNone, false},
        {L"", FirmwareStatusRunning, false},
        {L"", FirmwareStatusNone, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CanSend(c.text, c.status), c.sends) << c.text << " " << c.status;
}

TEST(CommandTesterRules, TransmitShowsTheTextWritesItUnchangedThenEndsTheLine)
{
    FakeSerialPort port;
    port.ForceOpen();
    RecordingOutput output(&port);
    TransmitCommand(L"FA12345678901;", port, output);

    EXPECT_EQ(port.written, "FA12345678901;"); // no terminator added
    ASSERT_EQ(port.writes.size(), 1u);
    ASSERT_EQ(output.entries.size(), 2u);
    EXPECT_EQ(output.entries[0].text, L"FA12345678901;");
    EXPECT_EQ(output.entries[0].kind, OutputKind::Sent);
    EXPECT_EQ(output.entries[0].bytesWrittenBefore, 0u); // shown before it is written
    EXPECT_EQ(output.entries[1].text, L"\r\n");
    EXPECT_EQ(output.entries[1].kind, OutputKind::Sent);
    EXPECT_EQ(output.entries[1].bytesWrittenBefore, 14u); // the line ends after the write
}

TEST(CommandTesterRules, AFailedWriteStillShowsTheLineAndReportsNothingItself)
{
    FakeSerialPort port;
    port.ForceOpen();
    port.writeError = 1117; // an I/O device error
    RecordingOutput output(&port);
    TransmitCommand(L"V", port, output);
    EXPECT_TRUE(port.written.empty());
    EXPECT_EQ(output.AllText(), L"V\r\n");
    EXPECT_TRUE(port.errors.empty());
}

TEST(CommandTesterRules, ReceivedBytesShowOneCharacterPerByteWithoutCarriageReturns)
{
    struct Case {
        std::string bytes;
        std::wstring text;
    } cases[] = {
        {"V1.23;\r\n", L"V1.23;\n"},
        {"A\rB", L"AB"},
        {"\r\r\r", L""},
        {"\xB0", L"\u00B0"},
        {"\xFF\x80\x7F", L"\u00FF\u0080\u007F"},
        {std::string("x\0y", 3), std::wstring(L"x\0y", 3)},
        {"\n\n", L"\n\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReceivedText(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()), c.text)
            << c.bytes;
    }
}

TEST(CommandTesterRules, EverythingWaitingIsReadInPiecesOf64Bytes)
{
    FakeSerialPort port;
    port.ForceOpen();
    std::string bytes;
    for (int i = 0; i < 150; ++i)
        bytes.push_back(static_cast<char>('A' + i % 26));
    port.Deliver(bytes);
    RecordingOutput output;

    EXPECT_EQ(ShowReceivedBytes(port, output), 150u);
    ASSERT_EQ(output.entries.size(), 3u);
    EXPECT_EQ(output.entries[0].text.size(), 64u);
    EXPECT_EQ(output.entries[1].text.size(), 64u);
    EXPECT_EQ(output.entries[2].text.size(), 22u);
    for (const auto& entry : output.entries)
        EXPECT_EQ(entry.kind, OutputKind::Received);
    EXPECT_EQ(output.AllText(), std::wstring(bytes.begin(), bytes.end()));
    EXPECT_TRUE(port.Pending().empty());
}

TEST(CommandTesterRules, ReadingGoesOnWhileThePortHandsOutSmallPieces)
{
    FakeSerialPort port;
    port.ForceOpen();
    port.readLimit = 3;
    // A piece of nothing but carriage returns shows nothing, and reading still goes on after it.
    port.Deliver("OK\r\r\r\r\nV1.23;");
    RecordingOutput output;
    EXPECT_EQ(ShowReceivedBytes(port, output), 13u);
    EXPECT_EQ(output.AllText(), L"OK\nV1.23;");
    for (const auto& entry : output.entries)
        EXPECT_FALSE(entry.text.empty());
}

TEST(CommandTesterRules, AFailedReadOrAClosedPortShowsNothing)
{
    {
        FakeSerialPort port;
        port.ForceOpen();
        port.Deliver("OK");
        port.readError = 995;
        RecordingOutput output;
        EXPECT_EQ(ShowReceivedBytes(port, output), 0u);
        EXPECT_TRUE(output.entries.empty());
    }
    {
        FakeSerialPort closed;
        closed.Deliver("OK");
        RecordingOutput output;
        EXPECT_EQ(ShowReceivedBytes(closed, output), 0u);
        EXPECT_TRUE(output.entries.empty());
    }
    {
        FakeSerialPort empty;
        empty.ForceOpen();
        RecordingOutput output;
        EXPECT_EQ(ShowReceivedBytes(empty, output), 0u);
        EXPECT_TRUE(output.entries.empty());
    }
}

TEST(CommandTesterRules, TheViewFollowsNewTextUnlessTheUserScrolledBack)
{
    struct Case {
        ScrollState state;
        bool follows;
    } cases[] = {
        {{0, 0, 0}, true},        // no page size: nothing to scroll yet
        {{100, 0, 0}, true},      // no page size, whatever the range
        {{100, 20, 80}, true},    // on the last page
        {{100, 20, 90}, true},    // past its start
        {{100, 20, 79}, false},   // above the last page: leave the view
        {{100, 20, 0}, false},    // at the top of a long text
        {{10, 20, 0}, true},      // everything fits in one page
    };
    for (const Case& c : cases)
        EXPECT_EQ(FollowsNewText(c.state), c.follows)
            << c.state.maximum << " " << c.state.page << " " << c.state.position;
}

TEST(CommandTesterRules, SavingTheMacroEditorStoresAndNotifiesEveryRowInOrder)
{
    FakeTimerHost timers;
    CModel model(timers, std::make_unique<FakeSerialPort>(), std::make_unique<MemorySettingsStore>());
    for (size_t i = 0; i < kMacroCount; ++i) {
        model.CommandCaption.Set(i, L"Macro " + std::to_wstring(i + 1));
        model.CommandText.Set(i, L"");
    }
    RecordingTarget observer;
    model.CommandCaption.Advise(&observer);
    model.CommandText.Advise(&observer);
    observer.messages.clear();

    MacroEdits edits;
    for (size_t i = 0; i < kMacroCount; ++i) {
        edits.labels[i] = L"Macro " + std::to_wstring(i + 1); // unchanged
        edits.texts[i] = L"";
    }
    edits.labels[2] = L"Freq";
    edits.texts[2] = L"FA00145500000;";
    edits.labels[15] = L""; // emptied by the user: stays empty
    StoreMacroEdits(model, edits);

    EXPECT_EQ(model.CommandCaption.Get(2), L"Freq");
    EXPECT_EQ(model.CommandText.Get(2), L"FA00145500000;");
    EXPECT_EQ(model.CommandCaption.Get(15), L"");
    EXPECT_EQ(model.CommandCaption.Get(0), L"Macro 1");
    // Every entry is notified, changed or not: caption i, then text i, row by row.
    ASSERT_EQ(observer.messages.size(), 2 * kMacroCount);
    for (size_t i = 0; i < kMacroCount; ++i) {
        EXPECT_EQ(observer.messages[2 * i].message, WM_MODEL_COMMAND_CAPTION) << i;
        EXPECT_EQ(observer.messages[2 * i].wParam, i);
        EXPECT_EQ(observer.messages[2 * i + 1].message, WM_MODEL_COMMAND_TEXT) << i;
        EXPECT_EQ(observer.messages[2 * i + 1].wParam, i);
    }
}

// Lays out controls with the rules at the positions of their dialog template and grows the dialog.
std::vector<LayoutRect> Grow(const std::vector<LayoutRule>& rules, int width, int height,
                             const std::vector<std::pair<int, LayoutRect>>& originals, int extraX, int extraY)
{
    CLayout layout;
    layout.Reset(width, height);
    for (const auto& [id, rect] : originals) {
        for (const LayoutRule& rule : rules)
            if (rule.id == id)
                layout.Add(rule, rect);
    }
    return layout.Arrange(width + extraX, height + extraY);
}

LayoutRect Rect(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }

TEST(CommandTesterRules, PageLayoutWidensEachMacroRowAsOneGroup)
{
    const std::vector<LayoutRule> rules = CommandTesterLayoutRules();
    // Every control of the page has a rule, the macro buttons four to a row.
    ASSERT_EQ(rules.size(), 5 + kMacroCount);
    const std::vector<std::pair<int, LayoutRect>> originals{
        {IDC_COMMAND_LABEL, Rect(7, 7, 200, 8)},     {IDC_COMMAND_BOX, Rect(7, 18, 312, 14)},
        {3205, Rect(7, 55, 75, 14)},                 {3206, Rect(86, 55, 75, 14)},
        {3207, Rect(165, 55, 75, 14)},               {3208, Rect(244, 55, 75, 14)},
        {IDC_EDIT_MACROS, Rect(203, 110, 56, 14)},   {IDC_CLEAR_OUTPUT, Rect(263, 110, 56, 14)},
        {IDC_OUTPUT, Rect(7, 129, 312, 91)},
    };
    std::vector<LayoutRect> r = Grow(rules, 326, 227, originals, 100, 50);
    ASSERT_EQ(r.size(), originals.size());
    EXPECT_EQ(r[0], Rect(7, 7, 300, 8));
    EXPECT_EQ(r[1], Rect(7, 18, 412, 14));
    // The row's four buttons share the 100 extra pixels (25 each) and keep their gaps.
    EXPECT_EQ(r[2], Rect(7, 55, 100, 14));
    EXPECT_EQ(r[3], Rect(111, 55, 100, 14));
    EXPECT_EQ(r[4], Rect(215, 55, 100, 14));
    EXPECT_EQ(r[5], Rect(319, 55, 100, 14));
    EXPECT_EQ(r[6], Rect(303, 110, 56, 14));
    EXPECT_EQ(r[7], Rect(363, 110, 56, 14));
    EXPECT_EQ(r[8], Rect(7, 129, 412, 141));
}

TEST(CommandTesterRules, MacroEditorLayoutSharesTheExtraWidthBetweenItsTwoColumns)
{
    const std::vector<LayoutRule> rules = MacroEditorLayoutRules();
    ASSERT_EQ(rules.size(), 2 + 2 * kMacroCount + 3);
    const std::vector<std::pair<int, LayoutRect>> originals{
        {IDC_LABEL_HEADING, Rect(7, 8, 90, 8)},  {IDC_TEXT_HEADING, Rect(101, 8, 200, 8)},
        {3016, Rect(7, 230, 90, 12)},            {3116, Rect(101, 230, 200, 12)},
        {1, Rect(143, 250, 50, 14)},             {2, Rect(197, 250, 50, 14)},
        {IDC_MACRO_HELP, Rect(251, 250, 50, 14)},
    };
    std::vector<LayoutRect> r = Grow(rules, 308, 270, originals, 60, 40);
    ASSERT_EQ(r.size(), originals.size());
    EXPECT_EQ(r[0], Rect(7, 8, 120, 8));
    EXPECT_EQ(r[1], Rect(131, 8, 230, 8));
    EXPECT_EQ(r[2], Rect(7, 230, 120, 12)); // rows keep their height and place
    EXPECT_EQ(r[3], Rect(131, 230, 230, 12));
    EXPECT_EQ(r[4], Rect(203, 290, 50, 14));
    EXPECT_EQ(r[5], Rect(257, 290, 50, 14));
    EXPECT_EQ(r[6], Rect(311, 290, 50, 14));
}

} // namespace

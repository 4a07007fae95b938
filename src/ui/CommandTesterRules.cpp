// What the Command Tester page and its macro editor decide: sending, showing received bytes, storing macros, layout.
#include "ui/CommandTesterRules.h"

#include "ResourceIds.h"
#include "model/Model.h"
#include "serial/SerialPortInterface.h"

namespace {

// The macro editor's "Save" and "Cancel" are the dialog's OK and Cancel buttons.
constexpr int kSaveButtonId = 1;
constexpr int kCancelButtonId = 2;
constexpr uint8_t kCarriageReturn = 13;

} // namespace

bool SendsByItself(std::wstring_view boxText) { return !boxText.empty() && boxText.back() == L';'; }

bool CanSend(std::wstring_view text, uint32_t firmwareStatus) { return !text.empty() && firmwareStatus != 0; }

void TransmitCommand(std::wstring_view text, ISerialPort& port, ICommandOutput& output)
{
    output.Append(text, OutputKind::Sent);
    port.WriteText(text);
    output.Append(L"\r\n", OutputKind::Sent);
}

std::wstring ReceivedText(const uint8_t* bytes, size_t count)
{
    std::wstring text;
    text.reserve(count);
    for (size_t i = 0; i < count; ++i)
        if (bytes[i] != kCarriageReturn)
            text.push_back(static_cast<wchar_t>(bytes[i]));
    return text;
}

size_t ShowReceivedBytes(ISerialPort& port, ICommandOutput& output)
{
    size_t total = 0;
    uint8_t buffer[kReceiveChunkBytes];
    for (;;) {
        uint32_t received = 0;
        if (!port.Read(buffer, kReceiveChunkBytes, received) || received == 0)
            return total;
        total += received;
        std::wstring text = ReceivedText(buffer, received);
        if (!text.empty())
            output.Append(text, OutputKind::Received);
    }
}

bool FollowsNewText(const ScrollState& state)
{
    if (state.page == 0)
        return true;
    return state.position >= state.maximum - state.page;
}

void StoreMacroEdits(CModelBase& model, const MacroEdits& edits)
{
    for (size_t i = 0; i < kMacroCount; ++i) {
        model.CommandCaption.Set(i, edits.labels[i]);
        model.CommandText.Set(i, edits.texts[i]);
    }
}

std::vector<LayoutRule> CommandTesterLayoutRules()
{
    std::vector<LayoutRule> rules{{IDC_COMMAND_LABEL, LayoutGrowX},
                                  {IDC_COMMAND_BOX, LayoutGrowX},
                                  {IDC_EDIT_MACROS, LayoutMoveX},
                                  {IDC_CLEAR_OUTPUT, LayoutMoveX},
                                  {IDC_OUTPUT, LayoutGrowX | LayoutGrowY}};
    // Four rows of four: the buttons of a row divide the extra width in their order.
    for (unsigned i = 0; i < kMacroCount; ++i)
        rules.push_back({IDC_MACRO_FIRST + static_cast<int>(i), LayoutGrowX, i % 4, 4});
    return rules;
}

std::vector<LayoutRule> MacroEditorLayoutRules()
{
    std::vector<LayoutRule> rules{{IDC_LABEL_HEADING, LayoutGrowX, 0, 2}, {IDC_TEXT_HEADING, LayoutGrowX, 1, 2}};
    for (int n = 1; n <= static_cast<int>(kMacroCount); ++n) {
        rules.push_back({IDC_MACRO_LABEL_BASE + n, LayoutGrowX, 0, 2});
        rules.push_back({IDC_MACRO_TEXT_BASE + n, LayoutGrowX, 1, 2});
    }
    for (int id : {kSaveButtonId, kCancelButtonId, IDC_MACRO_HELP})
        rules.push_back({id, LayoutMoveX | LayoutMoveY});
    return rules;
}

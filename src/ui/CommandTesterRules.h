// What the Command Tester page and its macro editor decide: sending, showing received bytes, storing macros, layout.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Layout.h"

class CModelBase;
class ISerialPort;

// Colours of the output window, as the platform's 0x00BBGGRR colour values.
constexpr uint32_t kSentTextColour = 0x009900;   // green, RGB(0, 153, 0)
constexpr uint32_t kReceivedTextColour = 0x000000; // black
// How many bytes one read of the port asks for.
constexpr uint32_t kReceiveChunkBytes = 64;
// The number of macro buttons and of entries in CommandCaption and CommandText.
constexpr size_t kMacroCount = 16;

enum class OutputKind { Sent, Received };

// The output window as the rules see it: text is appended at the end in the colour of its kind.
class ICommandOutput {
public:
    virtual ~ICommandOutput() = default;
    virtual void Append(std::wstring_view text, OutputKind kind) = 0;
};

// Whether the command box sends by itself: its text ends with ";" (typed or pasted).
bool SendsByItself(std::wstring_view boxText);

// Whether a send happens at all: nothing is sent for an empty text or while nothing answers on the
// port (firmware status 0).
bool CanSend(std::wstring_view text, uint32_t firmwareStatus);

// Shows the text as sent, writes it to the port unchanged (no terminator is added), then ends the
// line in the output. A failed write is not reported here: the port reports its own failures.
void TransmitCommand(std::wstring_view text, ISerialPort& port, ICommandOutput& output);

// The text shown for received bytes: one character per byte with the byte's value as its code
// (bytes above 127 read as Latin-1), every carriage return left out.
std::wstring ReceivedText(const uint8_t* bytes, size_t count);

// Reads what waits on the port, kReceiveChunkBytes at a time, until a read fails or gives nothing,
// and appends each piece as received text. Reading everything that waits matters: the port
// announces new bytes again only after a read, so bytes left behind would stay unseen until more
// arrive. Returns the number of bytes read.
size_t ShowReceivedBytes(ISerialPort& port, ICommandOutput& output);

// The vertical scroll state of the output window before an append.
struct ScrollState {
    int maximum = 0;
    int page = 0;
    int position = 0;
};
// Whether the view follows new text to the end: it does unless the view has a page size and the
// user has scrolled above the last page, so a user who scrolled back keeps reading.
bool FollowsNewText(const ScrollState& state);

// The macro editor's edits: label n-1 and text n-1 for row n.
struct MacroEdits {
    std::array<std::wstring, kMacroCount> labels;
    std::array<std::wstring, kMacroCount> texts;
};
// Stores every entry, changed or not, row by row: CommandCaption entry i then CommandText entry i,
// each notified. The registry is written at the next save of the settings.
void StoreMacroEdits(CModelBase& model, const MacroEdits& edits);

// Resize rules of the page: "Edit Macros" and "Clear" move right, the command box and its label
// widen, each row of four macro buttons widens as one group and the output window grows.
std::vector<LayoutRule> CommandTesterLayoutRules();
// Resize rules of the macro editor: the headings and each row's two edits widen, the two columns
// sharing the extra width; "Save", "Cancel" and "Help" keep their distance to the bottom-right corner.
std::vector<LayoutRule> MacroEditorLayoutRules();

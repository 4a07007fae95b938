// The Firmware page's decisions that are logic rather than drawing: revision texts, folder edits, report lines.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class CRevisionedFileName;

// The installed revision (InstalledRevision) is shown with RevisionText (ui/FrameRules.h).
// The available revision: "Missing" when the folder holds no firmware file, otherwise "%02u.%02u"
// of revision / 100 and revision % 100 (no special values: a file's revision 0 shows 00.00).
std::wstring AvailableRevisionText(const CRevisionedFileName& firmwareFile);

// The text without white space (blank, tab, CR, LF, VT, FF) at either end.
std::wstring TrimWhiteSpace(std::wstring_view text);

// True when `folder` names another folder than `current`, compared without regard to letter case.
bool IsOtherFolder(std::wstring_view folder, std::wstring_view current);

// What the folder edit stores when it loses the focus after a change: its text trimmed, when
// that names another folder than `current`; nothing otherwise.
std::optional<std::wstring> FolderFromEdit(std::wstring_view editText, std::wstring_view current);

// Whether "Send Firmware to MT6402" may be used: the scan found a firmware file and the model
// takes the device on the port for the expected one.
bool CanSendFirmware(bool hasFirmwareFile, bool isExpectedDevice);

// The activity log's first line: "<description> Revision a.b.c.d" (string 444), as the title begins.
std::wstring ProgramRevisionLine(const std::wstring& description, const std::array<uint16_t, 4>& version);

// The line reported when a scan with the hint finds no firmware file (the device name filled in twice).
std::wstring MissingFirmwareFileLine();

// "Elapsed time: %u seconds" takes whole seconds, halves rounded up, between two readings of the
// 32-bit millisecond tick count (which wraps around after 49.7 days).
uint32_t ElapsedSeconds(uint32_t startTick, uint32_t nowTick);

// The folder browser's title: "Select folder containing MT6402 firmware file".
std::wstring BrowseFolderTitle();

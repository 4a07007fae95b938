// The Firmware page's decisions that are logic rather than drawing.
#include "ui/FirmwarePageRules.h"

#include "firmware/NoCase.h"
#include "firmware/RevisionedFileName.h"
#include "model/Format.h"
#include "model/StringTable.h"

namespace {
constexpr std::wstring_view kWhiteSpace = L" \t\r\n\v\f";
}

std::wstring AvailableRevisionText(const CRevisionedFileName& firmwareFile)
{
    if (firmwareFile.IsEmpty())
        return LoadStringResource(IDS_REVISION_MISSING);
    uint16_t revision = firmwareFile.GetRevision();
    return Format(L"%02u.%02u", revision / 100u, revision % 100u);
}

std::wstring TrimWhiteSpace(std::wstring_view text)
{
    size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::wstring_view::npos)
        return {};
    size_t last = text.find_last_not_of(kWhiteSpace);
    return std::wstring(text.substr(first, last - first + 1));
}

bool IsOtherFolder(std::wstring_view folder, std::wstring_view current) { return !EqualsNoCase(folder, current); }

std::optional<std::wstring> FolderFromEdit(std::wstring_view editText, std::wstring_view current)
{
    std::wstring folder = TrimWhiteSpace(editText);
    if (!IsOtherFolder(folder, current))
        return std::nullopt;
    return folder;
}

bool CanSendFirmware(bool hasFirmwareFile, bool isExpectedDevice) { return hasFirmwareFile && isExpectedDevice; }

std::wstring ProgramRevisionLine(const std::wstring& description, const std::array<uint16_t, 4>& version)
{
    return Format(StringId{IDS_TITLE_REVISION}, description, version[0], version[1], version[2], version[3]);
}

std::wstring MissingFirmwareFileLine()
{
    const StringId device{IDS_DEVICE_NAME};
    return Format(StringId{IDS_MISSING_FIRMWARE_FILE}, device, device);
}

std::wstring BrowseFolderTitle() { return Format(StringId{IDS_BROWSE_FOLDER_TITLE}, StringId{IDS_DEVICE_NAME}); }

uint32_t ElapsedSeconds(uint32_t startTick, uint32_t nowTick) { return (nowTick - startTick + 500) / 1000; }

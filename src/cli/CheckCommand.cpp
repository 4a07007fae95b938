// The `check` subcommand: the whole-file record check, then the image load and its reconciliation word.
#include "cli/CheckCommand.h"

#include "cli/CliCommand.h"
#include "cli/ConsoleText.h"
#include "firmware/FirmwareFiles.h"
#include "firmware/FirmwareImage.h"
#include "firmware/IntelHexReader.h"
#include "firmware/RevisionedFileName.h"
#include "model/ErrorText.h"
#include "model/Format.h"
#include "model/StatusCodes.h"
#include "model/StringTable.h"
#include "platform/LastError.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

int ReportError(uint32_t code)
{
    WriteLine(stderr, Format(StringId{IDS_ERROR_CODE}, code, ErrorText(code)));
    return CLI_EXIT_FAILED;
}

// A data address in hex. The end of a record that starts just below 4 GiB lies past 32 bits,
// which the formatter's %X does not hold, so such an address is written in two halves.
std::wstring HexAddress(uint64_t address)
{
    if (address > 0xFFFFFFFFu)
        return Format(L"0x%X%08X", static_cast<uint32_t>(address >> 32), static_cast<uint32_t>(address));
    return Format(L"0x%04X", static_cast<uint32_t>(address));
}

void PrintRecords(const std::wstring& path, const HexFileSummary& summary)
{
    WriteLine(stdout, Format(StringId{IDS_CHECK_FILE}, path));
    if (summary.dataRecords == 0 || summary.endAddress <= summary.lowAddress)
        WriteLine(stdout, LoadStringResource(IDS_CHECK_NO_DATA));
    else
        WriteLine(stdout, Format(StringId{IDS_CHECK_ADDRESS_RANGE}, HexAddress(summary.lowAddress),
                              HexAddress(summary.endAddress - 1)));
    WriteLine(stdout, Format(StringId{IDS_CHECK_RECORDS}, summary.records, summary.dataRecords));
}

// Settles the reconciliation word as a firmware load would and prints the outcome; returns the status.
uint32_t CheckAndPrintImage(CFirmwareImage& image)
{
    WriteLine(stdout, Format(StringId{IDS_CHECK_IMAGE_WINDOW}, image.GetLowAddress(), image.GetHighAddress() - 1,
                          image.GetSize()));
    const uint8_t* bytes = image.GetData();
    const uint16_t stored = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
    const uint32_t status = image.CheckReconciliationWord();
    const uint16_t settled = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
    if (IsFailure(status))
        WriteLine(stdout, Format(StringId{IDS_CHECK_RECONCILIATION_FAILED}, ErrorText(status)));
    else if (stored == 0)
        WriteLine(stdout, Format(StringId{IDS_CHECK_RECONCILIATION_FILL}, settled));
    else
        WriteLine(stdout, Format(StringId{IDS_CHECK_RECONCILIATION_OK}, stored));
    return status;
}

void PrintName(const std::wstring& path)
{
    const uint16_t revision = CRevisionedFileName::RevisionOf(path);
    WriteLine(stdout, Format(StringId{IDS_CHECK_NAME_REVISION}, revision / 100u, revision % 100u));
    const bool firmwareName = CFirmwareFiles().IsFirmwareFile(path);
    WriteLine(stdout, LoadStringResource(firmwareName ? IDS_CHECK_FIRMWARE_NAME_YES : IDS_CHECK_FIRMWARE_NAME_NO));
}

} // namespace

int RunCheckCommand(const std::vector<std::wstring>& args)
{
    if (args.size() == 1 && (args[0] == L"--help" || args[0] == L"-h")) {
        WriteLine(stdout, LoadStringResource(IDS_CHECK_USAGE));
        return CLI_EXIT_OK;
    }
    if (args.size() != 1 || args[0].empty()) {
        WriteLine(stderr, LoadStringResource(IDS_CHECK_USAGE));
        return CLI_EXIT_USAGE;
    }
    const std::wstring& path = args[0];

    // Every record up to the end-of-file record, wherever its data lie.
    HexFileSummary summary;
    if (!ValidateHexFile(path, summary))
        return ReportError(GetLastErrorCode());
    // The bytes a firmware load would send, read the same way the loader reads them.
    CFirmwareImage image;
    if (!image.LoadHexFile(path))
        return ReportError(GetLastErrorCode());

    PrintRecords(path, summary);
    const uint32_t status = CheckAndPrintImage(image);
    PrintName(path);
    if (IsFailure(status))
        return ReportError(status);
    return CLI_EXIT_OK;
}

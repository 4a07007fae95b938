// The `files` subcommand of mt6402util: scans the firmware folder the way the Firmware page does
// and shows the firmware file a load would send and the release notes.
#include "cli/FilesCommand.h"

#include <cstdio>

#include "cli/CliSettings.h"
#include "cli/ConsoleText.h"
#include "firmware/FirmwareFiles.h"
#include "firmware/FirmwareFolder.h"
#include "model/ErrorText.h"
#include "model/Format.h"
#include "model/Model.h"
#include "model/StringTable.h"
#include "platform/EventLoop.h"
#include "platform/LastError.h"
#include "serial/SerialPort.h"

namespace {

// "%02u.%02u" of the revision, as the pages show an available revision.
std::wstring RevisionText(unsigned revision) { return Format(L"%02u.%02u", revision / 100, revision % 100); }

// The FirmwareFolder setting as the program sees it after loading (the default folder when empty).
bool LoadFirmwareFolder(const CliContext& context, std::wstring& folder)
{
    std::unique_ptr<ISettingsStore> settings = OpenCliSettings(context);
    if (!settings) {
        const uint32_t code = GetLastErrorCode();
        WriteLine(stderr, Format(StringId{IDS_CLI_SETTINGS_UNAVAILABLE}, code, ErrorText(code)));
        return false;
    }
    CEventLoop loop;
    CModel model(loop, CreateSerialPort(), std::move(settings));
    model.SetFirmwareFolderProvider([] { return GetDefaultFirmwareFolder(nullptr); });
    model.LoadSettings();
    folder = model.FirmwareFolder.Get();
    return true;
}

} // namespace

int RunFilesCommand(const CliContext& context, const std::vector<std::wstring>& args)
{
    std::wstring folder;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == L"--folder" && i + 1 < args.size() && !args[i + 1].empty()) {
            folder = args[++i];
        } else {
            const bool help = args[i] == L"--help" || args[i] == L"-h";
            WriteLine(help ? stdout : stderr, LoadStringResource(IDS_CLI_FILES_USAGE));
            return help ? CLI_EXIT_OK : CLI_EXIT_USAGE;
        }
    }
    if (folder.empty() && !LoadFirmwareFolder(context, folder))
        return CLI_EXIT_FAILED;

    CFirmwareFiles files;
    files.Scan(folder);
    WriteLine(stdout, Format(StringId{IDS_CLI_FILES_FOLDER}, folder));
    if (files.HasFirmwareFile()) {
        const CRevisionedFileName& firmware = files.GetFirmwareFile();
        WriteLine(stdout, Format(StringId{IDS_CLI_FILES_FIRMWARE}, std::wstring(firmware.GetFileName()), RevisionText(firmware.GetRevision())));
    } else {
        WriteLine(stdout, LoadStringResource(IDS_CLI_FILES_NO_FIRMWARE));
    }
    if (files.HasNotesFile())
        WriteLine(stdout, Format(StringId{IDS_CLI_FILES_NOTES}, std::wstring(files.GetNotesFile().GetFileName())));
    else
        WriteLine(stdout, LoadStringResource(IDS_CLI_FILES_NO_NOTES));
    if (!files.HasFirmwareFile()) {
        WriteLine(stderr, Format(StringId{IDS_MISSING_FIRMWARE_FILE}, StringId{IDS_DEVICE_NAME}, StringId{IDS_DEVICE_NAME}));
        return CLI_EXIT_FAILED;
    }
    return CLI_EXIT_OK;
}

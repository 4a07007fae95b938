// The settings store the tool works on: the program's own, or the one named by --settings.
#include "cli/CliSettings.h"

std::unique_ptr<ISettingsStore> OpenCliSettings(const CliContext& context)
{
    if (context.settingsLocation.empty())
        return OpenApplicationSettings();
    return OpenSettingsAt(context.settingsLocation);
}

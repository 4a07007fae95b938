// The `settings` subcommand of mt6402util: shows the saved settings, or changes one of them.
#include "cli/SettingsCommand.h"

#include <cstdint>
#include <cwctype>
#include <functional>
#include <memory>

#include "cli/CliSettings.h"
#include "cli/ConsoleText.h"
#include "firmware/FirmwareFolder.h"
#include "firmware/ServerAddress.h"
#include "model/ErrorText.h"
#include "model/Format.h"
#include "model/Model.h"
#include "model/StringTable.h"
#include "platform/EventLoop.h"
#include "platform/LastError.h"
#include "serial/SerialPort.h"

namespace {

// Longer texts would make the settings hard to read back; no setting of the program needs them.
constexpr size_t kLongestText = 32767;
constexpr uint32_t kLastPage = 2; // three pages: Port, Firmware, Command Tester

// One saved setting as the tool shows and changes it.
struct Setting {
    std::wstring name;
    IPersistentValue* value;                 // loaded and saved as a whole (an array with all entries)
    std::function<std::wstring()> show;
    // Checks and stores the text; false with the reason in `error`.
    std::function<bool(const std::wstring& text, std::wstring& error)> set;
};

bool ParseNumber(const std::wstring& text, uint32_t lower, uint32_t upper, uint32_t& number)
{
    if (text.empty() || text.size() > 10)
        return false;
    uint64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
        value = value * 10 + static_cast<uint64_t>(c - L'0');
    }
    if (value < lower || value > upper)
        return false;
    number = static_cast<uint32_t>(value);
    return true;
}

template <class T>
Setting NumberSetting(CPersistentValue<T>& value, uint32_t lower, uint32_t upper)
{
    return {value.Name(), &value, [&value] { return Format(L"%u", static_cast<uint32_t>(value.Get())); },
            [&value, lower, upper](const std::wstring& text, std::wstring& error) {
                uint32_t number = 0;
                if (!ParseNumber(text, lower, upper, number)) {
                    error = Format(StringId{IDS_CLI_BAD_NUMBER}, value.Name(), lower, upper, text);
                    return false;
                }
                value.Set(static_cast<T>(number));
                return true;
            }};
}

bool CheckText(const std::wstring& name, const std::wstring& text, std::wstring& error)
{
    if (text.size() <= kLongestText)
        return true;
    error = Format(StringId{IDS_CLI_TEXT_TOO_LONG}, name, static_cast<uint32_t>(kLongestText));
    return false;
}

Setting TextSetting(CPersistentValue<std::wstring>& value)
{
    return {value.Name(), &value, [&value] { return value.Get(); },
            [&value](const std::wstring& text, std::wstring& error) {
                if (!CheckText(value.Name(), text, error))
                    return false;
                value.Set(text);
                return true;
            }};
}

// "host" or "host:port".
Setting ServerSetting(CPersistentValue<std::wstring>& value)
{
    Setting setting = TextSetting(value);
    setting.set = [&value](const std::wstring& text, std::wstring& error) {
        std::wstring host;
        uint16_t port = 0;
        if (!ParseServerAddress(text, host, port)) {
            error = Format(StringId{IDS_CLI_BAD_SERVER}, value.Name(), text);
            return false;
        }
        value.Set(text);
        return true;
    };
    return setting;
}

void AddArraySettings(std::vector<Setting>& settings, CPersistentArray<std::wstring, 16>& array)
{
    for (size_t i = 0; i < array.Size; ++i) {
        const std::wstring name = array.EntryName(i);
        settings.push_back({name, &array, [&array, i] { return array.Get(i); },
                            [&array, i, name](const std::wstring& text, std::wstring& error) {
                                if (!CheckText(name, text, error))
                                    return false;
                                array.Set(i, text);
                                return true;
                            }});
    }
}

// The saved settings in the order the program saves them.
std::vector<Setting> SavedSettings(CModelBase& model)
{
    std::vector<Setting> settings;
    settings.push_back(NumberSetting(model.ActivePage, 0, kLastPage));
    settings.push_back(NumberSetting(model.AdvancedMode, 0, UINT32_MAX));
    AddArraySettings(settings, model.CommandCaption);
    AddArraySettings(settings, model.CommandText);
    settings.push_back(TextSetting(model.FirmwareFolder));
    settings.push_back(NumberSetting(model.FirmwareLoadRetryLimit, model.FirmwareLoadRetryLimit.Lower(),
                                     model.FirmwareLoadRetryLimit.Upper()));
    settings.push_back(NumberSetting(model.LoaderFlags, 0, UINT32_MAX));
    settings.push_back(TextSetting(model.Port));
    settings.push_back(NumberSetting(model.Trace, 0, 1));
    settings.push_back(NumberSetting(model.VerboseLogging, 0, 1));
    settings.push_back(ServerSetting(model.FileServer));
    return settings;
}

bool SameName(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(a[i]) != std::towlower(b[i]))
            return false;
    return true;
}

std::wstring Names(const std::vector<Setting>& settings)
{
    std::wstring names;
    for (const Setting& setting : settings)
        names += (names.empty() ? L"" : L", ") + setting.name;
    return names;
}

int Usage(bool asked)
{
    WriteLine(asked ? stdout : stderr, LoadStringResource(IDS_CLI_SETTINGS_USAGE));
    return asked ? CLI_EXIT_OK : CLI_EXIT_USAGE;
}

int ShowSettings(CModelBase& model)
{
    model.LoadSettings();
    for (const Setting& setting : SavedSettings(model))
        WriteLine(stdout, Format(StringId{IDS_CLI_SETTING_LINE}, setting.name, setting.show()));
    return CLI_EXIT_OK;
}

int SetSetting(CModelBase& model, const std::wstring& name, const std::wstring& text)
{
    std::vector<Setting> settings = SavedSettings(model);
    for (Setting& setting : settings) {
        if (!SameName(setting.name, name))
            continue;
        // This setting alone is read and written, so defaults the program fills in at its start
        // are not written on its behalf.
        setting.value->Load(model.AppInfo());
        std::wstring error;
        if (!setting.set(text, error)) {
            WriteLine(stderr, error);
            return CLI_EXIT_USAGE;
        }
        const uint32_t result = setting.value->Save(model.AppInfo());
        if (result != 0) {
            WriteLine(stderr, Format(StringId{IDS_CLI_SAVE_FAILED}, setting.name, result, ErrorText(result)));
            return CLI_EXIT_FAILED;
        }
        WriteLine(stdout, Format(StringId{IDS_CLI_SETTING_LINE}, setting.name, setting.show()));
        return CLI_EXIT_OK;
    }
    WriteLine(stderr, Format(StringId{IDS_CLI_UNKNOWN_SETTING}, name, Names(settings)));
    return CLI_EXIT_USAGE;
}

} // namespace

int RunSettingsCommand(const CliContext& context, const std::vector<std::wstring>& args)
{
    const bool show = args.empty();
    const bool set = args.size() == 3 && args[0] == L"set";
    if (!show && !set)
        return Usage(args.size() == 1 && (args[0] == L"--help" || args[0] == L"-h"));

    std::unique_ptr<ISettingsStore> store = OpenCliSettings(context);
    if (!store) {
        const uint32_t code = GetLastErrorCode();
        WriteLine(stderr, Format(StringId{IDS_CLI_SETTINGS_UNAVAILABLE}, code, ErrorText(code)));
        return CLI_EXIT_FAILED;
    }
    CEventLoop timers; // the model wants a timer host; nothing runs here
    CModel model(timers, CreateSerialPort(), std::move(store));
    model.SetFirmwareFolderProvider([] { return GetDefaultFirmwareFolder(nullptr); });
    return show ? ShowSettings(model) : SetSetting(model, args[1], args[2]);
}

// The words of `mt6402util load`.
#include "cli/LoadOptions.h"

#include "model/Format.h"
#include "model/StringTable.h"

namespace {

constexpr uint32_t kLongestTimeout = 3600;
constexpr uint32_t kFewestRetries = 5;
constexpr uint32_t kMostRetries = 25;

// A whole number from `lower` to `upper`, digits only.
bool ParseWhole(const std::wstring& text, uint32_t lower, uint32_t upper, uint32_t& value)
{
    if (text.empty() || text.size() > 9)
        return false;
    uint32_t parsed = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
        parsed = parsed * 10 + static_cast<uint32_t>(c - L'0');
    }
    if (parsed < lower || parsed > upper)
        return false;
    value = parsed;
    return true;
}

bool TakesValue(const std::wstring& option)
{
    return option == L"--port" || option == L"--folder" || option == L"--file" || option == L"--retry-limit" ||
           option == L"--timeout";
}

} // namespace

bool ParseLoadOptions(const std::vector<std::wstring>& args, LoadOptions& options, std::wstring& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& word = args[i];
        if (word == L"--help" || word == L"-h") {
            options.help = true;
            continue;
        }
        if (word == L"--verbose" || word == L"-v") {
            options.verbose = true;
            continue;
        }
        if (word == L"--trace") {
            options.trace = true;
            continue;
        }
        const size_t equals = word.find(L'=');
        const std::wstring option = word.substr(0, equals);
        if (!word.starts_with(L"--") || !TakesValue(option)) {
            error = Format(StringId{IDS_CLI_UNKNOWN_OPTION}, word, L"load");
            return false;
        }
        std::wstring value;
        if (equals != std::wstring::npos)
            value = word.substr(equals + 1);
        else if (i + 1 < args.size())
            value = args[++i];
        if (value.empty()) {
            error = Format(StringId{IDS_CLI_MISSING_VALUE}, option);
            return false;
        }
        if (option == L"--port") {
            options.port = value;
        } else if (option == L"--folder") {
            options.folder = value;
        } else if (option == L"--file") {
            options.file = value;
        } else if (option == L"--retry-limit") {
            if (!ParseWhole(value, kFewestRetries, kMostRetries, options.retryLimit)) {
                error = Format(StringId{IDS_CLI_BAD_NUMBER}, option, kFewestRetries, kMostRetries, value);
                return false;
            }
        } else if (!ParseWhole(value, 1, kLongestTimeout, options.timeoutSeconds)) {
            error = Format(StringId{IDS_CLI_BAD_TIMEOUT}, value);
            return false;
        }
    }
    if (!options.folder.empty() && !options.file.empty()) {
        error = LoadStringResource(IDS_CLI_FOLDER_AND_FILE);
        return false;
    }
    return true;
}

// The default firmware folder, the create-folder question and multi-level folder creation.
#include "firmware/FirmwareFolder.h"

#include "firmware/FirmwareFiles.h"
#include "model/Format.h"
#include "model/StringTable.h"
#include "platform/Directories.h"
#include "platform/KnownFolders.h"
#include "platform/UserQuestions.h"

namespace {

// Drops trailing separators, but never the first character, so a root ("/") stays a root.
std::wstring WithoutTrailingSeparators(std::wstring path)
{
    while (path.size() > 1 && IsPathSeparator(path.back()))
        path.pop_back();
    return path;
}

} // namespace

std::wstring JoinFolderPath(const std::wstring& folder, const std::wstring& name)
{
    std::wstring path = WithoutTrailingSeparators(folder);
    if (path.empty() || !IsPathSeparator(path.back()))
        path += PathSeparator();
    return path + name;
}

std::wstring GetDefaultFirmwareFolder(IMessageTarget* owner)
{
    std::wstring base = GetUserDataFolder(owner);
    if (base.empty())
        return {};
    // A level that exists already, or cannot be made, is not an error here: the folder is
    // checked again before it is used.
    std::wstring company = JoinFolderPath(base, kCompanyFolderName);
    CreateFolderLevel(company);
    std::wstring product = JoinFolderPath(company, Format(kProductFolderFormat, kProductName));
    CreateFolderLevel(product);
    return product;
}

bool EnsureFolderExists(IMessageTarget* owner, const std::wstring& path)
{
    while (!IsExistingDirectory(path)) {
        std::wstring question = Format(StringId{IDS_CREATE_FOLDER_QUESTION}, path);
        int answer = AskUser(owner, question, LoadStringResource(IDS_CREATE_FOLDER_CAPTION),
                             MB_FLAG_YESNO | MB_FLAG_ICONINFORMATION);
        if (answer != ANSWER_YES)
            return false;
        // A failed creation shows in the next existence test, and the user is asked again.
        CreateFolderPath(path);
    }
    return true;
}

bool CreateFolderPath(const std::wstring& path)
{
    std::wstring whole = WithoutTrailingSeparators(path);
    // The first two characters are never a level of their own: they hold a drive ("C:"),
    // the start of a network name ("\\") or a root.
    if (whole.size() > 2) {
        for (size_t i = 2; i < whole.size(); ++i) {
            if (IsPathSeparator(whole[i]) && !CreateFolderLevel(whole.substr(0, i)))
                return false;
        }
    }
    return CreateFolderLevel(whole);
}

// Choosing the firmware file and the release notes in the local folder and on the file server.
#include "firmware/FirmwareFiles.h"

#include "firmware/FolderScan.h"
#include "firmware/NoCase.h"

#include <utility>

namespace {

bool IsNotesFile(const CRevisionedFileName& name) { return EqualsNoCase(name.GetFileName(), kReleaseNotesFileName); }

} // namespace

bool IsFirmwareFileName(const CRevisionedFileName& name)
{
    return EqualsNoCase(name.GetExtension(), kFirmwareExtension) && StartsWithNoCase(name.GetTitle(), kFirmwareBaseName);
}

void CFirmwareFiles::Clear()
{
    firmwareFile_.Clear();
    notesFile_.Clear();
}

bool CFirmwareFiles::IsFirmwareFile(const std::wstring& name) const
{
    CRevisionedFileName file(name);
    if (!IsFirmwareFileName(file))
        return false;
    // A title ending in "B" marks a file that is never sent from the local folder.
    std::wstring_view title = file.GetTitle();
    return FoldAsciiCase(title.back()) != L'b';
}

bool CFirmwareFiles::IsWanted(const std::wstring& name) const
{
    CRevisionedFileName file(name);
    if (IsNotesFile(file))
        return true;
    if (!IsFirmwareFile(name))
        return false;
    if (HasFirmwareFile())
        return firmwareFile_.GetRevision() < file.GetRevision();
    return true;
}

void CFirmwareFiles::Consider(const std::wstring& path)
{
    CRevisionedFileName file(path);
    if (IsNotesFile(file))
        notesFile_ = std::move(file);
    else if (IsFirmwareFile(path) && IsWanted(path))
        firmwareFile_ = std::move(file);
}

void CFirmwareFiles::Scan(const std::wstring& folder)
{
    Clear();
    // Entries are visited by full path, so the process's current directory is never changed.
    // A folder is never a firmware file or the release notes, whatever its name.
    ForEachFolderEntry(folder, [this](const std::wstring& path, bool isDirectory) {
        if (!isDirectory)
            Consider(path);
    });
}

void CFirmwareFiles::ConsiderServerFile(const std::wstring& name, std::vector<std::wstring>& list) const
{
    CRevisionedFileName file(name);
    if (IsNotesFile(file)) {
        list.emplace_back(file.GetFileName());
        return;
    }
    if (!IsFirmwareFileName(file))
        return;
    if (HasFirmwareFile() && firmwareFile_.GetRevision() >= file.GetRevision())
        return;
    for (std::wstring& entry : list) {
        CRevisionedFileName listed(entry);
        if (IsFirmwareFileName(listed)) {
            if (listed.GetRevision() < file.GetRevision())
                entry = file.GetFileName();
            return;
        }
    }
    list.emplace_back(file.GetFileName());
}

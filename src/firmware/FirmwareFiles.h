// What a firmware folder holds: the highest-revision firmware file and the release notes.
#pragma once
#include <string>
#include <vector>

#include "firmware/RevisionedFileName.h"

class CModelBase;

// Fixed names of the product's files (file-system names, not texts for the user).
inline constexpr const wchar_t* kProductName = L"MT6402";
inline constexpr const wchar_t* kFirmwareBaseName = L"qmcu";
inline constexpr const wchar_t* kReleaseNotesFileName = L"mt6402fwnotes.rtf";
inline constexpr const wchar_t* kFirmwareExtension = L".hex";
inline constexpr const wchar_t* kCompanyFolderName = L"Norvanta";
inline constexpr const wchar_t* kProductFolderFormat = L"%s Firmware";

// The result of one scan of a folder. Names are compared without regard to letter case.
// The Firmware page owns one; the file-server copy uses the page's object, so the server files
// it chooses are compared against the folder's last scan.
class CFirmwareFiles {
public:
    // The owner (the application model) is kept for the object's users; nothing here decides by it.
    explicit CFirmwareFiles(CModelBase* owner = nullptr) : owner_(owner) {}
    virtual ~CFirmwareFiles() = default;

    virtual void Clear();
    virtual const CRevisionedFileName& GetFirmwareFile() const { return firmwareFile_; }
    virtual const CRevisionedFileName& GetNotesFile() const { return notesFile_; }
    virtual bool HasFirmwareFile() const { return !firmwareFile_.IsEmpty(); }
    virtual bool HasNotesFile() const { return !notesFile_.IsEmpty(); }
    // Usable for a firmware load: a firmware file was found.
    virtual bool IsUsable() const { return HasFirmwareFile(); }
    virtual bool IsEmpty() const { return !HasFirmwareFile() && !HasNotesFile(); }

    // A ".hex" file whose title begins with "qmcu" and does not end in "B".
    virtual bool IsFirmwareFile(const std::wstring& name) const;
    // The release notes, or a firmware file newer than the one held.
    virtual bool IsWanted(const std::wstring& name) const;
    // Adds a file-server name to the copy list when it is the release notes or the newest server
    // firmware file newer than the local one; the list keeps at most one firmware file.
    virtual void ConsiderServerFile(const std::wstring& name, std::vector<std::wstring>& list) const;
    // Takes a local path as the release notes, or as the firmware file when it is newer.
    virtual void Consider(const std::wstring& path);
    // Clears, then considers every file of `folder` (sub-folders are passed over) in the order
    // the file system lists them. A folder that cannot be read leaves the set empty.
    virtual void Scan(const std::wstring& folder);

    CModelBase* GetOwner() const { return owner_; }

private:
    CModelBase* owner_;
    CRevisionedFileName firmwareFile_;
    CRevisionedFileName notesFile_;
};

// True for a ".hex" name whose title starts with "qmcu" (the final-"B" rule not applied).
bool IsFirmwareFileName(const CRevisionedFileName& name);

// Reads a module's version block: the fixed file information and the twelve standard texts.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>

// One language and code-page pair of the block's translation table.
struct VersionTranslation {
    uint16_t language = 0;
    uint16_t codePage = 0;
};

// The entry whose texts are read, first rule that finds one: the user's language exactly; the
// same primary language (the low 8 bits); language 0 (neutral),
// exactly or by primary language; English (9), exactly or by primary language; else the first.
// Within each rule the table order decides. An empty table gives 0.
size_t ChooseTranslation(std::span<const VersionTranslation> table, uint16_t userLanguage);

class CFileVersionInfo {
public:
    // The texts, in this order.
    enum Text {
        CompanyName, FileDescription, FileVersion, InternalName, LegalCopyright, OriginalFileName,
        ProductName, ProductVersion, Comments, LegalTrademarks, PrivateBuild, SpecialBuild, TextCount
    };

    // Reads the block of the file; false (with the reason in the last error) when it has none.
    bool Read(const std::wstring& path);
    // Reads the block of the running program's executable.
    bool ReadOwnExecutable();

    const std::wstring& Get(Text which) const { return texts_[which]; }
    // The four 16-bit parts of the file version, most significant first.
    std::array<uint16_t, 4> FileVersionParts() const { return fileVersion_; }

private:
    std::array<std::wstring, TextCount> texts_;
    std::array<uint16_t, 4> fileVersion_{};
};

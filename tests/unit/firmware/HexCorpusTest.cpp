// Every kept fuzzing input goes through the HEX reader and the image without harm.
#include "firmware/FirmwareImage.h"
#include "firmware/IntelHexReader.h"

#include "model/StatusCodes.h"
#include "platform/FileMapping.h"
#include "platform/LastError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

// The codes a HEX file can fail with: the reader's own, and the mapping's for an empty file.
const std::set<uint32_t> kKnownCodes = {MSG_UNEXPECTED_HEX_CHARACTER, MSG_HEX_RECORD_TYPE, MSG_HEX_CHECKSUM,
                                        MSG_HEX_NO_EOF, MSG_HEX_DATA_LENGTH, ERROR_CODE_FILE_INVALID};

std::vector<fs::path> FilesIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code error;
    if (fs::is_directory(folder, error))
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    return files;
}

// Seeds named "ok-..." must validate and "bad-..." must not; inputs the fuzzer added only need
// to end with a known result.
void CheckFile(const fs::path& file)
{
    SCOPED_TRACE(file.string());
    const std::wstring path = file.wstring();
    HexFileSummary summary;
    SetLastErrorCode(0);
    bool valid = ValidateHexFile(path, summary);
    uint32_t code = valid ? 0 : GetLastErrorCode();
    if (!valid) {
        EXPECT_TRUE(kKnownCodes.count(code)) << std::hex << code;
    }
    const std::string name = file.filename().string();
    if (name.rfind("ok-", 0) == 0) {
        EXPECT_TRUE(valid) << std::hex << code;
    }
    if (name.rfind("bad-", 0) == 0) {
        EXPECT_FALSE(valid);
    }

    // The image reads the same records: it succeeds and fails with the validation.
    CFirmwareImage image;
    SetLastErrorCode(0);
    bool loaded = image.LoadHexFile(path);
    EXPECT_EQ(loaded, valid);
    if (!loaded) {
        EXPECT_EQ(GetLastErrorCode(), code);
    } else {
        image.CheckReconciliationWord();
    }
}

TEST(HexCorpus, EveryKeptInputEndsWithAKnownResult)
{
    const fs::path root = MT_FUZZ_DIR;
    const auto corpus = FilesIn(root / "corpus" / "hex");
    ASSERT_GE(corpus.size(), 10u) << "the seed corpus is missing";
    for (const auto& file : corpus)
        CheckFile(file);
    for (const auto& file : FilesIn(root / "crashes" / "hex"))
        CheckFile(file);
}

} // namespace

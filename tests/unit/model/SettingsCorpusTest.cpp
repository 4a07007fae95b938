// Every kept input of the settings-file fuzzer (and any crash it found), read and written back as the fuzzer checks it.
#include "model/SettingsFile.h"

#include <dirent.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<std::string> CorpusFiles()
{
    std::vector<std::string> files;
    // The kept corpus, and any input the fuzzer found fault with (the folder exists only then).
    for (const char* folder : {MT_SETTINGS_CORPUS, MT_SETTINGS_CRASHES}) {
        if (DIR* dir = ::opendir(folder)) {
            while (const dirent* entry = ::readdir(dir))
                if (entry->d_name[0] != '.')
                    files.push_back(std::string(folder) + "/" + entry->d_name);
            ::closedir(dir);
        }
    }
    return files;
}

TEST(SettingsCorpusTest, EveryInputIsWrittenBackUnchangedWithTheSameValues)
{
    const auto files = CorpusFiles();
    ASSERT_FALSE(files.empty()) << "the corpus folder is missing";
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        std::ifstream in(path, std::ios::binary);
        std::stringstream buffer;
        buffer << in.rdbuf();
        const std::string text = buffer.str();
        const CSettingsFile file = CSettingsFile::Parse(text);
        const std::string written = file.Serialize();
        const std::string body = text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text;
        EXPECT_EQ(written, text + (!body.empty() && body.back() != '\n' ? "\n" : ""));
        const CSettingsFile again = CSettingsFile::Parse(written);
        const auto entries = file.Entries();
        ASSERT_EQ(again.Entries().size(), entries.size());
        for (const auto& entry : entries) {
            const auto* before = file.Find(entry.section, entry.name);
            const auto* after = again.Find(entry.section, entry.name);
            ASSERT_TRUE(before && after);
            EXPECT_EQ(*before, *after);
        }
    }
}

} // namespace

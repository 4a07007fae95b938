// The settings file store: typed values in a file, atomic replacement, damaged and missing files.
#include "model/Model.h"
#include "model/PersistentValue.h"
#include "model/SettingsStore.h"
#include "model/SettingsValues.h"
#include "platform/LastError.h"
#include "platform/TextConversion.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "FakeSerialPort.h"
#include "FakeTimerHost.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

std::string ReadFile(const std::wstring& path)
{
    std::ifstream in(ToUtf8(path), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> FolderEntries(const std::wstring& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(ToUtf8(folder).c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
    }
    return names;
}

uint32_t SetDword(ISettingsStore& store, const std::wstring& name, uint32_t value)
{
    return WriteDwordValue(&store, name, value);
}

// Sets an environment variable for the life of the object and restores it afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(SettingsStorePosixTest, MissingFileReadsAsEmptyAndTheFirstWriteCreatesFoldersAndFile)
{
    TempFolder temp;
    const std::wstring path = temp.Join(L"a/b/MT6402 Utility.conf");
    auto store = OpenSettingsAt(path);
    ASSERT_TRUE(store);
    uint32_t type = 0, size = 4;
    uint8_t data[4];
    EXPECT_EQ(store->QueryValue(L"Trace", type, data, size), ERROR_CODE_FILE_NOT_FOUND);
    std::unique_ptr<ISettingsStore> window;
    EXPECT_EQ(store->OpenSubKey(L"Window", false, window), ERROR_CODE_FILE_NOT_FOUND);
    EXPECT_FALSE(window);

    EXPECT_EQ(SetDword(*store, L"Trace", 1), 0u);
    EXPECT_EQ(WriteTextValue(store.get(), L"Port", L"/dev/ttyUSB0"), 0u);
    ASSERT_EQ(store->OpenSubKey(L"Window", true, window), 0u);
    EXPECT_EQ(SetDword(*window, L"flags", 2), 0u);
    EXPECT_EQ(ReadFile(path), "\"Trace\"=dword:00000001\n\"Port\"=\"/dev/ttyUSB0\"\n\n[Window]\n\"flags\"=dword:00000002\n");

    struct stat info {};
    ASSERT_EQ(::stat(ToUtf8(path).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "settings are the user's own";
}

TEST(SettingsStorePosixTest, ValuesComeBackWithTheirTypesThroughAFreshStore)
{
    TempFolder temp;
    const std::wstring path = temp.Join(L"s.conf");
    {
        auto store = OpenSettingsAt(path);
        ASSERT_EQ(WriteTextValue(store.get(), L"Trace", L"12345"), 0u); // a text where a number is expected
        ASSERT_EQ(WriteTextValue(store.get(), L"FirmwareFolder", L"/home/u/fw \"x\""), 0u);
        const uint8_t expand[] = {'x', 0, 0, 0};
        ASSERT_EQ(store->SetValue(L"Expand", SETTINGS_TYPE_EXPAND_SZ, expand, 4), 0u);
    }
    auto store = OpenSettingsAt(path);
    CAppInfoBase app{std::move(store)};
    CPersistentValue<int> trace(0x807B, L"Trace", 0);
    EXPECT_EQ(trace.Load(app), ERROR_CODE_MORE_DATA) << "a REG_SZ stays a REG_SZ";
    EXPECT_EQ(trace.Get(), 0);
    CPersistentValue<std::wstring> folder(0x806F, L"FirmwareFolder");
    EXPECT_EQ(folder.Load(app), 0u);
    EXPECT_EQ(folder.Get(), L"/home/u/fw \"x\"");

    uint32_t type = 0, size = 0;
    EXPECT_EQ(app.Key()->QueryValue(L"Expand", type, nullptr, size), 0u) << "a size query";
    EXPECT_EQ(type, SETTINGS_TYPE_EXPAND_SZ);
    EXPECT_EQ(size, 4u);
    uint8_t small[2];
    size = sizeof(small);
    EXPECT_EQ(app.Key()->QueryValue(L"Expand", type, small, size), ERROR_CODE_MORE_DATA);
    EXPECT_EQ(size, 4u);
}

TEST(SettingsStorePosixTest, WritesReplaceTheFileAtomicallyAndLeaveNoTemporaryFile)
{
    TempFolder temp;
    const std::wstring path = temp.Join(L"s.conf");
    temp.WriteFile(L"s.conf", "; mine\n\"Trace\"=dword:00000000\n");
    ::chmod(ToUtf8(path).c_str(), 0640);
    // A second name for the old file: a write in place would change it too; a rename leaves it alone.
    const std::wstring before = temp.Join(L"before.conf");
    ASSERT_EQ(::link(ToUtf8(path).c_str(), ToUtf8(before).c_str()), 0);

    auto store = OpenSettingsAt(path);
    ASSERT_EQ(SetDword(*store, L"Trace", 1), 0u);
    EXPECT_EQ(ReadFile(path), "; mine\n\"Trace\"=dword:00000001\n");
    EXPECT_EQ(ReadFile(before), "; mine\n\"Trace\"=dword:00000000\n");
    auto entries = FolderEntries(temp.Path());
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"before.conf", "s.conf"}));
    struct stat info {};
    ASSERT_EQ(::stat(ToUtf8(path).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "the replaced file's access rights are kept";
}

TEST(SettingsStorePosixTest, DamagedFileGivesWhatCanBeReadAndKeepsTheRest)
{
    TempFolder temp;
    std::string damaged = "\"Trace\"=dword:00000001\n";
    damaged += std::string("\0\x01\xFE\xFF garbage \"Port\"=", 20);
    damaged += "\n\"Port\"=\"COM3\n[Window\n\"ActivePage\"=dword:00000002";
    temp.WriteFile(L"s.conf", damaged);
    auto store = OpenSettingsAt(temp.Join(L"s.conf"));
    CAppInfoBase app{std::move(store)};

    CPersistentValue<int> trace(0x807B, L"Trace", 0), page(0x8065, L"ActivePage", 0);
    CPersistentValue<std::wstring> port(0x8077, L"Port");
    EXPECT_EQ(trace.Load(app), 0u);
    EXPECT_EQ(trace.Get(), 1);
    EXPECT_EQ(port.Load(app), ERROR_CODE_FILE_NOT_FOUND);
    EXPECT_EQ(port.Get(), L"");
    EXPECT_EQ(page.Load(app), 0u) << "the last line has no line end";
    EXPECT_EQ(page.Get(), 2);

    port.Set(L"COM4");
    EXPECT_EQ(port.Save(app), 0u);
    const std::string after = ReadFile(temp.Join(L"s.conf"));
    EXPECT_EQ(after, damaged + "\n\"Port\"=\"COM4\"\n") << "every damaged line survives the rewrite";
}

TEST(SettingsStorePosixTest, AFileThatCannotBeReadIsNeverOverwritten)
{
    TempFolder temp;
    const std::wstring path = temp.MakeFolder(L"s.conf"); // a folder where the file should be
    auto store = OpenSettingsAt(path);
    ASSERT_TRUE(store);
    uint32_t type = 0, size = 4;
    uint8_t data[4];
    EXPECT_EQ(store->QueryValue(L"Trace", type, data, size), ERROR_CODE_INVALID_DATA);
    EXPECT_NE(SetDword(*store, L"Trace", 1), 0u);
    EXPECT_TRUE(FolderEntries(path).empty());
    auto entries = FolderEntries(temp.Path());
    EXPECT_EQ(entries, std::vector<std::string>{"s.conf"}) << "no temporary file left behind";
}

TEST(SettingsStorePosixTest, ASettingsFileReachedThroughALinkIsReplacedWhereItLives)
{
    TempFolder temp;
    const std::wstring real = temp.WriteFile(L"real.conf", "\"Trace\"=dword:00000000\n");
    const std::wstring link = temp.Join(L"link.conf");
    ASSERT_EQ(::symlink(ToUtf8(real).c_str(), ToUtf8(link).c_str()), 0);
    auto store = OpenSettingsAt(link);
    ASSERT_EQ(SetDword(*store, L"Trace", 1), 0u);
    struct stat info {};
    ASSERT_EQ(::lstat(ToUtf8(link).c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadFile(real), "\"Trace\"=dword:00000001\n");
}

TEST(SettingsStorePosixTest, TwoStoresOnOneFileSeeEachOthersWrites)
{
    TempFolder temp;
    const std::wstring path = temp.Join(L"s.conf");
    auto first = OpenSettingsAt(path);
    auto second = OpenSettingsAt(path);
    ASSERT_EQ(SetDword(*first, L"Trace", 1), 0u);
    ASSERT_EQ(SetDword(*second, L"VerboseLogging", 1), 0u);
    EXPECT_EQ(ReadFile(path), "\"Trace\"=dword:00000001\n\"VerboseLogging\"=dword:00000001\n");
    uint32_t value = 0;
    EXPECT_EQ(ReadDwordValue(first.get(), L"VerboseLogging", value), 0u);
    EXPECT_EQ(value, 1u);
}

TEST(SettingsStorePosixTest, ApplicationSettingsLiveInTheUsersConfigurationFolder)
{
    TempFolder temp;
    const std::string root = ToUtf8(temp.Path());
    const std::string xdg = root + "/xdg";
    struct Case {
        std::optional<std::string> xdg; // unset when empty
        std::string home;
        std::string expected;
    };
    const Case cases[] = {
        {xdg, root + "/home", xdg + "/Norvanta/MT6402 Utility.conf"},
        {std::nullopt, root + "/home", root + "/home/.config/Norvanta/MT6402 Utility.conf"},
        {std::string("relative/ignored"), root + "/home2", root + "/home2/.config/Norvanta/MT6402 Utility.conf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        ScopedEnvironment config("XDG_CONFIG_HOME", c.xdg ? c.xdg->c_str() : nullptr);
        ScopedEnvironment home("HOME", c.home.c_str());
        auto store = OpenApplicationSettings();
        ASSERT_TRUE(store);
        ASSERT_EQ(SetDword(*store, L"Trace", 1), 0u);
        EXPECT_EQ(ReadFile(FromUtf8(c.expected)), "\"Trace\"=dword:00000001\n");
    }
}

TEST(SettingsStorePosixTest, ModelSettingsSurviveARestartThroughTheFile)
{
    TempFolder temp;
    const std::wstring path = temp.Join(L"MT6402 Utility.conf");
    FakeTimerHost timers;
    {
        CModel model(timers, std::make_unique<FakeSerialPort>(), OpenSettingsAt(path));
        model.SetFirmwareFolderProvider([] { return std::wstring(L"/fw"); });
        model.LoadSettings();
        model.Port.Set(L"/dev/ttyUSB0");
        model.CommandText.Set(2, L"V");
        model.SaveSettings();
        WindowPlacement placement;
        placement.right = 640;
        ASSERT_TRUE(model.SaveWindowPlacement(placement));
    }
    const std::string text = ReadFile(path);
    EXPECT_NE(text.find("\"CommandCaption16\"=\"Macro 16\"\n\"CommandText3\"=\"V\"\n\"FirmwareFolder\"=\"/fw\"\n"
                        "\"Port\"=\"/dev/ttyUSB0\"\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Trace"), std::string::npos) << "values never changed are never written";

    CModel model(timers, std::make_unique<FakeSerialPort>(), OpenSettingsAt(path));
    model.SetFirmwareFolderProvider([] { return std::wstring(L"/other"); });
    model.LoadSettings();
    EXPECT_EQ(model.Port.Get(), L"/dev/ttyUSB0");
    EXPECT_EQ(model.CommandText.Get(2), L"V");
    EXPECT_EQ(model.CommandCaption.Get(15), L"Macro 16");
    EXPECT_EQ(model.FirmwareFolder.Get(), L"/fw");
    WindowPlacement placement;
    ASSERT_TRUE(model.RestoreWindowPlacement(placement));
    EXPECT_EQ(placement.right, 640);
    model.SaveSettings();
    EXPECT_EQ(ReadFile(path), text) << "nothing changed, nothing written";
}

TEST(SettingsStorePosixTest, TheProgramsModelUsesTheRealParts)
{
    TempFolder temp;
    const std::string root = ToUtf8(temp.Path());
    ScopedEnvironment config("XDG_CONFIG_HOME", (root + "/config").c_str());
    ScopedEnvironment data("XDG_DATA_HOME", (root + "/data").c_str());
    FakeTimerHost timers;
    CModel model(timers);
    ASSERT_NE(model.ContactMachine(), nullptr);
    EXPECT_TRUE(model.AreMachinesIdle());
    EXPECT_FALSE(model.SerialPort().IsOpen());

    model.LoadSettings();
    EXPECT_EQ(model.FirmwareFolder.Get(), FromUtf8(root + "/data/Norvanta/MT6402 Firmware"));
    model.SaveSettings();
    const std::string text = ReadFile(FromUtf8(root + "/config/Norvanta/MT6402 Utility.conf"));
    EXPECT_NE(text.find("\"FirmwareFolder\"=\"" + root + "/data/Norvanta/MT6402 Firmware\"\n"), std::string::npos)
        << text;
}

} // namespace

namespace {

TEST(SettingsStorePosixTest, GatheredWritesReplaceTheFileOnceAllTogether)
{
    TempFolder temp;
    const std::wstring path = temp.WriteFile(L"s.conf", "\"Port\"=\"COM1\"\n");
    auto store = OpenSettingsAt(path);
    store->BeginWrites();
    ASSERT_EQ(SetDword(*store, L"Trace", 1), 0u);
    ASSERT_EQ(SetDword(*store, L"VerboseLogging", 1), 0u);
    ASSERT_EQ(SetDword(*store, L"Trace", 0), 0u); // the later write wins
    EXPECT_EQ(ReadFile(path), "\"Port\"=\"COM1\"\n") << "written before the commit";
    uint32_t value = 7;
    EXPECT_EQ(ReadDwordValue(store.get(), L"VerboseLogging", value), 0u) << "a gathered write is read back at once";
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(store->CommitWrites(), 0u);
    EXPECT_EQ(ReadFile(path), "\"Port\"=\"COM1\"\n\"Trace\"=dword:00000000\n\"VerboseLogging\"=dword:00000001\n");
    // After the commit, writes go through again.
    ASSERT_EQ(SetDword(*store, L"Trace", 1), 0u);
    EXPECT_NE(ReadFile(path).find("\"Trace\"=dword:00000001"), std::string::npos);
}

TEST(SettingsStorePosixTest, GatheredWritesAreNeitherLostNorForcedOverAnUnreadableFile)
{
    TempFolder temp;
    {
        // A store that goes away with gathered writes still stores them.
        const std::wstring path = temp.Join(L"kept.conf");
        auto store = OpenSettingsAt(path);
        store->BeginWrites();
        ASSERT_EQ(SetDword(*store, L"Trace", 1), 0u);
        store.reset();
        EXPECT_EQ(ReadFile(path), "\"Trace\"=dword:00000001\n");
    }
    const std::wstring blocked = temp.MakeFolder(L"blocked.conf"); // a folder where the file should be
    auto store = OpenSettingsAt(blocked);
    store->BeginWrites();
    ASSERT_EQ(SetDword(*store, L"Trace", 1), 0u);
    EXPECT_NE(store->CommitWrites(), 0u);
    EXPECT_TRUE(FolderEntries(blocked).empty());
}

// Passes everything to a real store and notes the order of writes and commits.
class CountingStore : public ISettingsStore {
public:
    CountingStore(std::unique_ptr<ISettingsStore> inner, std::vector<std::string>& log) : inner_(std::move(inner)), log_(log) {}
    uint32_t QueryValue(const std::wstring& name, uint32_t& type, uint8_t* data, uint32_t& size) override
    {
        return inner_->QueryValue(name, type, data, size);
    }
    uint32_t SetValue(const std::wstring& name, uint32_t type, const uint8_t* data, uint32_t size) override
    {
        log_.push_back("set");
        return inner_->SetValue(name, type, data, size);
    }
    uint32_t OpenSubKey(const std::wstring& name, bool create, std::unique_ptr<ISettingsStore>& key) override
    {
        return inner_->OpenSubKey(name, create, key);
    }
    void BeginWrites() override
    {
        log_.push_back("begin");
        inner_->BeginWrites();
    }
    uint32_t CommitWrites() override
    {
        log_.push_back("commit");
        return inner_->CommitWrites();
    }

private:
    std::unique_ptr<ISettingsStore> inner_;
    std::vector<std::string>& log_;
};

TEST(SettingsStorePosixTest, SavingTheModelGathersAllItsWritesIntoOne)
{
    TempFolder temp;
    const std::wstring path = temp.Join(L"s.conf");
    std::vector<std::string> log;
    FakeTimerHost timers;
    CModel model(timers, std::make_unique<FakeSerialPort>(), std::make_unique<CountingStore>(OpenSettingsAt(path), log));
    model.SetFirmwareFolderProvider([] { return std::wstring(L"/fw"); });
    model.LoadSettings();
    model.Trace.Set(1);
    log.clear();
    ASSERT_TRUE(model.SaveSettings());
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log.front(), "begin");
    EXPECT_EQ(log.back(), "commit");
    EXPECT_EQ(std::count(log.begin(), log.end(), "commit"), 1);
    const std::string text = ReadFile(path);
    EXPECT_NE(text.find("\"Trace\"=dword:00000001"), std::string::npos) << text;
    EXPECT_NE(text.find("\"FirmwareFolder\"=\"/fw\""), std::string::npos) << text;
}

} // namespace

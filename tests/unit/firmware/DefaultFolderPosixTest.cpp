// The default firmware folder off Windows: below the XDG data home, both levels created.
#include "firmware/FirmwareFolder.h"

#include "platform/Directories.h"
#include "platform/TextConversion.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets (or removes) an environment variable for one test and restores it afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<std::wstring>& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, ToUtf8(*value).c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedVariable()
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

TEST(DefaultFirmwareFolder, LiesBelowTheXdgDataHome)
{
    TempFolder temp;
    ScopedVariable dataHome("XDG_DATA_HOME", temp.Path());
    const std::wstring folder = GetDefaultFirmwareFolder(nullptr);
    EXPECT_EQ(folder, temp.Path() + L"/Norvanta/MT6402 Firmware");
    EXPECT_TRUE(IsExistingDirectory(folder));
}

TEST(DefaultFirmwareFolder, FallsBackToTheHomeFolderWhenTheDataHomeIsUnsetOrRelative)
{
    for (const std::optional<std::wstring>& dataHome : {std::optional<std::wstring>{}, std::optional<std::wstring>{L"relative"}}) {
        TempFolder temp;
        ScopedVariable home("HOME", temp.Path());
        ScopedVariable xdg("XDG_DATA_HOME", dataHome);
        const std::wstring folder = GetDefaultFirmwareFolder(nullptr);
        EXPECT_EQ(folder, temp.Path() + L"/.local/share/Norvanta/MT6402 Firmware");
        EXPECT_TRUE(IsExistingDirectory(folder));
    }
}

} // namespace

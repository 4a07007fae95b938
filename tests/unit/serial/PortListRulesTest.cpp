// Which serial device-map values and which Linux tty devices the port lists show.
#include "serial/PortListRules.h"

#include <gtest/gtest.h>

namespace {

TEST(PortListRules, DeviceMapValuesNeedAStringTypeADataAndAnotherName)
{
    constexpr uint32_t kDword = 4;
    constexpr uint32_t kExpandSz = 2;
    constexpr uint32_t kMultiSz = 7;
    struct Case {
        const wchar_t* name;
        uint32_t type;
        const wchar_t* data;
        bool listed;
    };
    const Case cases[] = {
        {L"\\Device\\Serial0", REGISTRY_TYPE_SZ, L"COM1", true},
        {L"\\Device\\VCP0", REGISTRY_TYPE_SZ, L"COM10", true},
        {L"", REGISTRY_TYPE_SZ, L"COM4", true},             // an unnamed (default) value still names a port
        {L"winachsf0", REGISTRY_TYPE_SZ, L"COM5", false},   // the modem driver's value
        {L"WinAchSf0", REGISTRY_TYPE_SZ, L"COM5", false},   // in any case
        {L"WINACHSF0", REGISTRY_TYPE_SZ, L"COM5", false},
        {L"winachsf01", REGISTRY_TYPE_SZ, L"COM6", true},   // only that exact name
        {L"xwinachsf0", REGISTRY_TYPE_SZ, L"COM6", true},
        {L"\\Device\\Serial1", REGISTRY_TYPE_SZ, L"", false}, // empty data
        {L"\\Device\\Serial2", kDword, L"COM7", false},     // other types
        {L"\\Device\\Serial3", kExpandSz, L"COM8", false},
        {L"\\Device\\Serial4", kMultiSz, L"COM9", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsListedDeviceMapValue(c.name, c.type, c.data), c.listed) << c.name << " " << c.data;
}

TEST(PortListRules, TtyDevicesNeedADriverAndARealUart)
{
    const std::vector<TtyEntry> ttys = {
        {"ttyUSB1", true, -1},   // USB adapters have no UART type
        {"ttyS0", true, 4},      // a 16550A answers
        {"ttyS1", true, 0},      // the platform driver lists it but no UART answers
        {"tty0", false, -1},     // virtual console
        {"console", false, -1},
        {"ptmx", false, -1},
        {"ttyACM0", true, -1},
        {"ttyUSB0", true, -1},
        {"ttyAMA0", true, 83},
    };
    EXPECT_EQ(SelectSerialDevices(ttys, {}),
              (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyAMA0", "/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1"}));
}

TEST(PortListRules, ByIdTargetsJoinTheListWithoutDuplicates)
{
    const std::vector<TtyEntry> ttys = {{"ttyUSB0", true, -1}, {"ttyS2", true, 0}};
    const std::vector<std::string> byId = {"/dev/ttyUSB0", "/dev/ttyACM3", "/dev/ttyACM3", ""};
    EXPECT_EQ(SelectSerialDevices(ttys, byId), (std::vector<std::string>{"/dev/ttyACM3", "/dev/ttyUSB0"}));
    EXPECT_TRUE(SelectSerialDevices({}, {}).empty());
}

} // namespace

// The model: first run and stored settings, the port operations, the firmware status rule and window placement.
#include "model/Model.h"
#include "model/StatusCodes.h"
#include "platform/LastError.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "FakeSerialPort.h"
#include "FakeTimerHost.h"
#include "MemorySettingsStore.h"
#include "RecordingTarget.h"

#include <gtest/gtest.h>

namespace {

constexpr wchar_t kDefaultFolder[] = L"/home/user/.local/share/Norvanta/MT6402 Firmware";

// A model over a fake port and an in-memory application key; both stay reachable for the test.
struct ModelFixture {
    explicit ModelFixture(bool withKey = true)
        : port(new FakeSerialPort), store(withKey ? new MemorySettingsStore : nullptr),
          model(timers, std::unique_ptr<ISerialPort>(port), std::unique_ptr<ISettingsStore>(store))
    {
        model.SetFirmwareFolderProvider([] { return std::wstring(kDefaultFolder); });
    }
    std::vector<std::wstring> Writes() const { return store->Root()->writes; }

    FakeTimerHost timers;
    FakeSerialPort* port;        // owned by the model
    MemorySettingsStore* store;  // owned by the model
    CModel model;
};

std::vector<uintptr_t> Parameters(const RecordingTarget& target, uint32_t message)
{
    std::vector<uintptr_t> parameters;
    for (const auto& m : target.messages)
        if (m.message == message)
            parameters.push_back(m.wParam);
    return parameters;
}

// Sets the last-error value to 0 whenever it hears anything, as a window procedure might.
class ErrorClobberingTarget : public RecordingTarget {
public:
    intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        SetLastErrorCode(0);
        return RecordingTarget::Send(message, wParam, lParam);
    }
};

TEST(ModelTest, ValuesStartWithTheirDefaultsAndMessageNumbers)
{
    ModelFixture f;
    CModelBase& m = f.model;
    EXPECT_EQ(m.ActivePage.Get(), 0);
    EXPECT_EQ(m.AdvancedMode.Get(), 0u);
    EXPECT_EQ(m.Device.Get(), DeviceNone);
    EXPECT_EQ(m.FirmwareLoadRetryLimit.Get(), 10u);
    EXPECT_EQ(m.FirmwareStatus.Get(), FirmwareStatusNone);
    EXPECT_EQ(m.InstalledRevision.Get(), 0u);
    EXPECT_EQ(m.SerialNumber.Get(), 0xFFFFu);
    EXPECT_TRUE(m.FirmwareFile.Get().IsEmpty());
    EXPECT_EQ(m.PortOpen.Get(), 0);
    EXPECT_EQ(m.Port.Get(), L"");
    EXPECT_EQ(m.FrameReady.Get(), 0);
    EXPECT_EQ(m.FileServer.Get(), L"ftp.norvanta.com");

    const std::pair<const CEventSource*, uint32_t> messages[] = {
        {&m.FirmwareStatus, 0x8064}, {&m.ActivePage, 0x8065},       {&m.AdvancedMode, 0x8066},
        {&m.CommandCaption, 0x8068}, {&m.CommandText, 0x8069},      {&m.Device, 0x806D},
        {&m.FirmwareFile, 0x806E},   {&m.FirmwareFolder, 0x806F},   {&m.FirmwareLoadRetryLimit, 0x8070},
        {&m.InstalledRevision, 0x8071}, {&m.LoaderFlags, 0x8072},   {&m.ProgressPosition, 0x8074},
        {&m.ProgressMaximum, 0x8075}, {&m.SerialNumber, 0x8076},    {&m.Port, 0x8077},
        {&m.PortOpen, 0x8078},       {&m.PortSpeed, 0x8079},        {&m.Trace, 0x807B},
        {&m.VerboseLogging, 0x807C}, {&m.FrameReady, 0x807D},       {&m.StatusReset, 0x801D},
        {&m.FileServer, 0x807A}};
    for (const auto& [source, message] : messages)
        EXPECT_EQ(source->Message(), message);

    const std::vector<IPersistentValue*> order{&m.ActivePage,     &m.AdvancedMode, &m.CommandCaption, &m.CommandText,
                                               &m.FirmwareFolder, &m.FirmwareLoadRetryLimit, &m.LoaderFlags,
                                               &m.Port,           &m.Trace,        &m.VerboseLogging,
                                               &m.FileServer};
    EXPECT_EQ(std::vector<IPersistentValue*>(m.PersistentValues().begin(), m.PersistentValues().end()), order);
}

TEST(ModelTest, FirstRunFillsCaptionsAndFolderAndSavesOnlyThose)
{
    ModelFixture f;
    RecordingTarget observer;
    f.model.CommandCaption.Advise(&observer);
    f.model.FirmwareFolder.Advise(&observer);
    f.model.Trace.Advise(&observer);
    f.model.Port.Advise(&observer);
    observer.messages.clear();

    EXPECT_TRUE(f.model.LoadSettings());
    for (size_t i = 0; i < 16; ++i)
        EXPECT_EQ(f.model.CommandCaption.Get(i), L"Macro " + std::to_wstring(i + 1));
    EXPECT_EQ(f.model.FirmwareFolder.Get(), kDefaultFolder);
    EXPECT_EQ(f.model.CommandText.Get(0), L"");
    EXPECT_EQ(f.model.FirmwareLoadRetryLimit.Get(), 10u);
    std::vector<uintptr_t> indices;
    for (uintptr_t i = 0; i < 16; ++i)
        indices.push_back(i);
    EXPECT_EQ(Parameters(observer, WM_MODEL_COMMAND_CAPTION), indices);
    EXPECT_EQ(Parameters(observer, WM_MODEL_FIRMWARE_FOLDER), std::vector<uintptr_t>{0});
    EXPECT_EQ(observer.messages.size(), 17u) << "nothing else is notified while loading";

    EXPECT_TRUE(f.model.SaveSettings());
    std::vector<std::wstring> expected;
    for (int i = 1; i <= 16; ++i)
        expected.push_back(L"CommandCaption" + std::to_wstring(i));
    expected.push_back(L"FirmwareFolder");
    EXPECT_EQ(f.Writes(), expected);

    f.store->Root()->writes.clear();
    f.model.ActivePage.Set(2);
    EXPECT_TRUE(f.model.SaveSettings());
    EXPECT_EQ(f.Writes(), std::vector<std::wstring>{L"ActivePage"});
}

TEST(ModelTest, StoredSettingsLoadWithoutNotificationsAndAreNotRewritten)
{
    ModelFixture f;
    f.store->PutDword(L"ActivePage", 2);
    f.store->PutDword(L"AdvancedMode", 1);
    for (int i = 1; i <= 16; ++i) {
        f.store->PutText(L"CommandCaption" + std::to_wstring(i), L"Cap" + std::to_wstring(i));
        f.store->PutText(L"CommandText" + std::to_wstring(i), L"T" + std::to_wstring(i));
    }
    f.store->PutText(L"FirmwareFolder", L"/fw");
    f.store->PutDword(L"FirmwareLoadRetryLimit", 7);
    f.store->PutDword(L"LoaderFlags", 3);
    f.store->PutText(L"Port", L"/dev/ttyUSB0");
    f.store->PutDword(L"Trace", 1);
    f.store->PutDword(L"VerboseLogging", 1);

    RecordingTarget observer;
    for (CEventSource* source : std::initializer_list<CEventSource*>{
             &f.model.ActivePage, &f.model.CommandCaption, &f.model.CommandText, &f.model.FirmwareFolder,
             &f.model.Port, &f.model.Trace})
        source->Advise(&observer);
    observer.messages.clear();
    f.model.LoadSettings();
    EXPECT_TRUE(observer.messages.empty());

    EXPECT_EQ(f.model.ActivePage.Get(), 2);
    EXPECT_EQ(f.model.AdvancedMode.Get(), 1u);
    EXPECT_EQ(f.model.CommandCaption.Get(15), L"Cap16");
    EXPECT_EQ(f.model.CommandText.Get(0), L"T1");
    EXPECT_EQ(f.model.FirmwareFolder.Get(), L"/fw");
    EXPECT_EQ(f.model.FirmwareLoadRetryLimit.Get(), 7u);
    EXPECT_EQ(f.model.LoaderFlags.Get(), 3u);
    EXPECT_EQ(f.model.Port.Get(), L"/dev/ttyUSB0");
    EXPECT_EQ(f.model.Trace.Get(), 1);
    EXPECT_EQ(f.model.VerboseLogging.Get(), 1);

    f.model.SaveSettings();
    EXPECT_TRUE(f.Writes().empty());
}

TEST(ModelTest, CaptionStoredEmptyBecomesItsMacroNameAndIsSaved)
{
    ModelFixture f;
    for (int i = 1; i <= 16; ++i)
        f.store->PutText(L"CommandCaption" + std::to_wstring(i), L"Cap");
    f.store->PutText(L"CommandCaption5", L"");
    f.store->PutText(L"FirmwareFolder", L"/fw");
    RecordingTarget observer;
    f.model.CommandCaption.Advise(&observer);
    observer.messages.clear();

    f.model.LoadSettings();
    EXPECT_EQ(f.model.CommandCaption.Get(4), L"Macro 5");
    EXPECT_EQ(Parameters(observer, WM_MODEL_COMMAND_CAPTION), std::vector<uintptr_t>{4});
    f.model.SaveSettings();
    EXPECT_EQ(f.Writes(), std::vector<std::wstring>{L"CommandCaption5"});
}

TEST(ModelTest, RetryLimitOutOfRangeIsClampedAndRewritten)
{
    ModelFixture f;
    f.store->PutDword(L"FirmwareLoadRetryLimit", 100);
    f.model.LoadSettings();
    EXPECT_EQ(f.model.FirmwareLoadRetryLimit.Get(), 25u);
    f.store->Root()->writes.clear();
    f.model.SaveSettings();
    const auto writes = f.Writes();
    EXPECT_NE(std::find(writes.begin(), writes.end(), L"FirmwareLoadRetryLimit"), writes.end());
    ASSERT_NE(f.store->Find(L"FirmwareLoadRetryLimit"), nullptr);
    EXPECT_EQ(f.store->Find(L"FirmwareLoadRetryLimit")->data, (std::vector<uint8_t>{25, 0, 0, 0}));
}

TEST(ModelTest, WithoutAKeyTheDefaultsStay)
{
    ModelFixture f(false);
    EXPECT_TRUE(f.model.LoadSettings());
    EXPECT_EQ(f.model.CommandCaption.Get(0), L"Macro 1");
    EXPECT_EQ(f.model.FirmwareFolder.Get(), kDefaultFolder);
    f.model.Trace.Set(1);
    EXPECT_TRUE(f.model.SaveSettings());
    WindowPlacement placement;
    EXPECT_FALSE(f.model.SaveWindowPlacement(placement));
    EXPECT_FALSE(f.model.RestoreWindowPlacement(placement));
}

TEST(ModelTest, SavedFailuresAreRetriedAtTheNextSave)
{
    ModelFixture f;
    f.model.LoadSettings();
    f.store->Root()->failSet[L"*"] = ERROR_CODE_ACCESS_DENIED;
    EXPECT_TRUE(f.model.SaveSettings()) << "errors are ignored";
    EXPECT_TRUE(f.Writes().empty());
    f.store->Root()->failSet.clear();
    f.model.SaveSettings();
    EXPECT_EQ(f.Writes().size(), 17u);
}

TEST(ModelTest, FirmwareStatusIsZeroWhileThePortIsClosedAndNotifiesOnlyChanges)
{
    ModelFixture f;
    RecordingTarget observer;
    f.model.FirmwareStatus.Advise(&observer);
    observer.messages.clear();

    f.model.FirmwareStatus.Set(FirmwareStatusRunning);
    EXPECT_EQ(f.model.FirmwareStatus.Get(), FirmwareStatusNone);
    EXPECT_TRUE(observer.messages.empty());

    f.model.PortOpen.Set(1);
    f.model.FirmwareStatus.Set(FirmwareStatusRunning);
    f.model.FirmwareStatus.Set(FirmwareStatusRunning);
    EXPECT_EQ(f.model.FirmwareStatus.Get(), FirmwareStatusRunning);
    f.model.FirmwareStatus.Set(FirmwareStatusLoaderWaiting);
    f.model.PortOpen.Set(0);
    f.model.FirmwareStatus.Set(FirmwareStatusRunning);
    EXPECT_EQ(f.model.FirmwareStatus.Get(), FirmwareStatusNone);
    EXPECT_EQ(observer.messages.size(), 3u) << "3, then 2, then 0";
}

TEST(ModelTest, ResetDeviceValues)
{
    ModelFixture f;
    f.model.PortOpen.Set(1);
    f.model.InstalledRevision.Set(123);
    f.model.SerialNumber.Set(42);
    RecordingTarget observer;
    f.model.InstalledRevision.Advise(&observer);
    f.model.SerialNumber.Advise(&observer);
    f.model.FirmwareStatus.Advise(&observer);
    observer.messages.clear();

    f.model.ResetDeviceValues();
    EXPECT_EQ(f.model.InstalledRevision.Get(), 0u);
    EXPECT_EQ(f.model.SerialNumber.Get(), 0xFFFFu);
    EXPECT_EQ(observer.messages.size(), 2u) << "the status was already 0";

    f.model.FirmwareStatus.Set(FirmwareStatusRunning);
    observer.messages.clear();
    f.model.ResetDeviceValues();
    EXPECT_EQ(f.model.FirmwareStatus.Get(), FirmwareStatusNone);
    EXPECT_EQ(Parameters(observer, WM_MODEL_FIRMWARE_STATUS).size(), 1u);
    EXPECT_EQ(observer.messages.size(), 3u);
}

TEST(ModelTest, DeviceIdentification)
{
    ModelFixture f;
    EXPECT_TRUE(f.model.IsExpectedDevice());
    FIRMWARESTATUS status = FirmwareStatusRunning;
    EXPECT_FALSE(f.model.IdentifyDevice(L"MT6402", status));
    EXPECT_EQ(status, FirmwareStatusNone);
    EXPECT_EQ(f.model.Device.Get(), DeviceNone);
}

TEST(ModelTest, NotifyWindowIsAlsoThePortsMessageWindow)
{
    ModelFixture f;
    RecordingTarget frame;
    f.model.SetNotifyWindow(&frame);
    EXPECT_EQ(f.model.NotifyWindow(), &frame);
    EXPECT_EQ(f.port->MessageWindow(), &frame);
}

TEST(ModelTest, OpenAndClosePort)
{
    ModelFixture f;
    ErrorClobberingTarget observer;
    f.model.PortOpen.Advise(&observer);
    observer.messages.clear();

    f.port->openError = ERROR_CODE_ACCESS_DENIED;
    EXPECT_FALSE(f.model.OpenPort(L"COM3"));
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_ACCESS_DENIED) << "the reason survives the notification";
    EXPECT_EQ(f.model.PortOpen.Get(), 0);
    EXPECT_EQ(Parameters(observer, WM_MODEL_PORT_OPEN).size(), 1u);

    f.port->openError = 0;
    EXPECT_TRUE(f.model.OpenPort(L"COM3"));
    EXPECT_EQ(f.model.PortOpen.Get(), 1);
    EXPECT_TRUE(f.port->IsOpen());
    EXPECT_EQ(f.port->opens, (std::vector<std::wstring>{L"COM3", L"COM3"}));

    f.model.ClosePort();
    f.model.ClosePort(); // safe when closed
    EXPECT_EQ(f.model.PortOpen.Get(), 0);
    EXPECT_FALSE(f.port->IsOpen());
    EXPECT_EQ(Parameters(observer, WM_MODEL_PORT_OPEN).size(), 4u);
}

struct SpeedCase {
    const char* name;
    bool open;
    uint32_t speed;         // asked for (the port runs at 9600)
    uint32_t speedError;    // the port refuses a supported speed
    uint32_t actuallySet;   // the port ends up at another speed
    uint32_t purgeError;
    bool expected;
    uint32_t expectedError; // when false
    unsigned purges;
    uint32_t finalSpeed;
};
void PrintTo(const SpeedCase& c, std::ostream* os) { *os << c.name; }

class ChangeSpeedTest : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(ChangeSpeedTest, ChangesOnlyAnOpenPortAndPurgesAfterAChange)
{
    const SpeedCase& c = GetParam();
    ModelFixture f;
    if (c.open) {
        ASSERT_TRUE(f.model.OpenPort(L"COM1"));
    }
    f.port->speedError = c.speedError;
    f.port->speedActuallySet = c.actuallySet;
    f.port->purgeError = c.purgeError;
    RecordingTarget observer;
    f.model.PortSpeed.Advise(&observer);
    observer.messages.clear();

    SetLastErrorCode(0);
    EXPECT_EQ(f.model.ChangeSpeed(c.speed), c.expected);
    if (!c.expected) {
        EXPECT_EQ(GetLastErrorCode(), c.expectedError);
    }
    EXPECT_EQ(f.port->purges, c.purges);
    EXPECT_EQ(f.port->Speed(), c.finalSpeed);
    EXPECT_EQ(f.model.PortSpeed.Get(), c.finalSpeed);
    EXPECT_EQ(f.port->errors.empty(), c.purgeError == 0);

    // Through the value: the same change, and the observers hear of it whatever the outcome.
    EXPECT_EQ(f.model.PortSpeed.Set(c.speed), c.speed);
    EXPECT_EQ(observer.messages.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChangeSpeedTest,
    ::testing::Values(
        SpeedCase{"PortClosed", false, 19200, 0, 0, 0, false, ERROR_CODE_INVALID_HANDLE, 0, 9600},
        SpeedCase{"AlreadyAtThatSpeed", true, 9600, 0, 0, 0, true, 0, 0, 9600},
        SpeedCase{"Changed", true, 19200, 0, 0, 0, true, 0, 1, 19200},
        SpeedCase{"Unsupported", true, 1200, 0, 0, 0, false, HRESULT_INVALID_ARGUMENT, 0, 9600},
        SpeedCase{"Refused", true, 4800, 31, 0, 0, false, 31, 0, 9600},
        SpeedCase{"PortReportsAnotherSpeed", true, 38400, 0, 4800, 0, false, HRESULT_INVALID_ARGUMENT, 0, 4800},
        SpeedCase{"PurgeFails", true, 19200, 0, 0, ERROR_CODE_ACCESS_DENIED, false, ERROR_CODE_ACCESS_DENIED, 0,
                  19200}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ModelTest, PurgeInput)
{
    ModelFixture f;
    SetLastErrorCode(0);
    EXPECT_FALSE(f.model.PurgeInput());
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_INVALID_HANDLE);

    ASSERT_TRUE(f.model.OpenPort(L"COM1"));
    f.port->Deliver("junk");
    EXPECT_TRUE(f.model.PurgeInput());
    EXPECT_EQ(f.port->Pending(), "");
    EXPECT_EQ(f.port->purges, 1u);

    f.port->purgeError = 31;
    EXPECT_FALSE(f.model.PurgeInput());
    EXPECT_EQ(GetLastErrorCode(), 31u);
    ASSERT_EQ(f.port->errors.size(), 1u);
    EXPECT_EQ(f.port->errors[0].operation, L"PurgeComm");
}

const wchar_t* const kPlacementNames[] = {L"flags",   L"showCmd", L"minPosX", L"minPosY", L"maxPosX",
                                          L"maxPosY", L"bottom",  L"left",    L"right",   L"top"};

WindowPlacement SamplePlacement()
{
    WindowPlacement p;
    p.flags = 2;
    p.showCmd = 3;
    p.minPosX = -1;
    p.minPosY = -2;
    p.maxPosX = -8;
    p.maxPosY = -9;
    p.left = 100;
    p.top = 50;
    p.right = 900;
    p.bottom = 700;
    return p;
}

TEST(WindowPlacementTest, SaveWritesTenDwordsInOrderAndRestoreReadsThemBack)
{
    ModelFixture f;
    ASSERT_TRUE(f.model.SaveWindowPlacement(SamplePlacement()));
    const auto window = f.store->SubKey(L"Window");
    ASSERT_TRUE(window);
    EXPECT_EQ(window->writes, std::vector<std::wstring>(std::begin(kPlacementNames), std::end(kPlacementNames)));
    MemorySettingsStore view(window);
    ASSERT_NE(view.Find(L"bottom"), nullptr);
    EXPECT_EQ(view.Find(L"bottom")->type, SETTINGS_TYPE_DWORD);
    EXPECT_EQ(view.Find(L"bottom")->data, (std::vector<uint8_t>{0xBC, 0x02, 0, 0}));
    EXPECT_EQ(view.Find(L"minPosX")->data, (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));

    WindowPlacement restored;
    ASSERT_TRUE(f.model.RestoreWindowPlacement(restored));
    EXPECT_EQ(restored, SamplePlacement());
}

TEST(WindowPlacementTest, SaveStopsAtTheFirstFailure)
{
    ModelFixture f;
    std::unique_ptr<ISettingsStore> window;
    ASSERT_EQ(f.store->OpenSubKey(L"Window", true, window), 0u);
    f.store->SubKey(L"Window")->failSet[L"maxPosX"] = ERROR_CODE_ACCESS_DENIED;
    EXPECT_FALSE(f.model.SaveWindowPlacement(SamplePlacement()));
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_ACCESS_DENIED);
    EXPECT_EQ(f.store->SubKey(L"Window")->writes,
              (std::vector<std::wstring>{L"flags", L"showCmd", L"minPosX", L"minPosY"}));
}

TEST(WindowPlacementTest, NothingIsAppliedWithoutTheKey)
{
    ModelFixture f;
    WindowPlacement placement = SamplePlacement();
    EXPECT_FALSE(f.model.RestoreWindowPlacement(placement));
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_FILE_NOT_FOUND);
    EXPECT_FALSE(f.store->SubKey(L"Window")) << "restoring never creates the key";
    EXPECT_EQ(placement, SamplePlacement());
}

// Each of the ten values in turn missing, or stored with another type: nothing is applied.
enum class Spoil { Missing, FourBinaryBytes, Text };

std::string PlacementCaseName(const std::tuple<int, Spoil>& param)
{
    const std::wstring name = kPlacementNames[std::get<0>(param)];
    const char* const spoils[] = {"Missing", "Binary", "Text"};
    return std::string(name.begin(), name.end()) + spoils[static_cast<int>(std::get<1>(param))];
}

class PlacementValueTest : public ::testing::TestWithParam<std::tuple<int, Spoil>> {};

TEST_P(PlacementValueTest, IncompletePlacementIsNotApplied)
{
    const auto [index, spoil] = GetParam();
    ModelFixture f;
    ASSERT_TRUE(f.model.SaveWindowPlacement(SamplePlacement()));
    auto node = f.store->SubKey(L"Window");
    MemorySettingsStore view(node);
    const std::wstring name = kPlacementNames[index];
    switch (spoil) {
    case Spoil::Missing:
        std::erase_if(node->values, [&](const auto& entry) { return entry.first == name; });
        break;
    case Spoil::FourBinaryBytes:
        view.PutRaw(name, SETTINGS_TYPE_BINARY, {1, 0, 0, 0});
        break;
    case Spoil::Text:
        view.PutText(name, L"20");
        break;
    }
    WindowPlacement placement;
    EXPECT_FALSE(f.model.RestoreWindowPlacement(placement));
    EXPECT_EQ(GetLastErrorCode(), spoil == Spoil::Missing ? ERROR_CODE_FILE_NOT_FOUND : ERROR_CODE_INVALID_DATA);
    EXPECT_EQ(placement, WindowPlacement{});
}

INSTANTIATE_TEST_SUITE_P(EveryValue, PlacementValueTest,
                         ::testing::Combine(::testing::Range(0, 10),
                                            ::testing::Values(Spoil::Missing, Spoil::FourBinaryBytes, Spoil::Text)),
                         [](const auto& info) { return PlacementCaseName(info.param); });

} // namespace

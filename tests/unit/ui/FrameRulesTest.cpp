// The main frame's title, status texts, default size, start page and event routing.
#include "ui/FrameRules.h"

#include <gtest/gtest.h>

namespace {

TEST(RevisionText, SpecialValuesAndTwoDigitParts)
{
    struct Case {
        uint16_t revision;
        const wchar_t* text;
    } cases[] = {
        {0, L"??.??"}, {999, L" N/A "}, {0xFFFE, L"Loading"}, {5, L"00.05"}, {112, L"01.12"},
        {123, L"01.23"}, {1000, L"10.00"}, {9999, L"99.99"}, {0xFFFF, L"655.35"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RevisionText(c.revision), c.text) << c.revision;
}

FrameTitleInfo Versioned()
{
    FrameTitleInfo info;
    info.hasVersion = true;
    info.description = L"MT6402 Utility";
    info.version[0] = 1;
    info.version[1] = 0;
    info.version[2] = 0;
    info.version[3] = 1;
    return info;
}

TEST(FrameTitle, FirstRunShowsDescriptionAndVersionOnly)
{
    EXPECT_EQ(FrameTitle(Versioned()), L"MT6402 Utility Revision 1.0.0.1");
}

TEST(FrameTitle, SerialNumberAndPortParts)
{
    FrameTitleInfo info = Versioned();
    info.serialNumber = 123;
    EXPECT_EQ(FrameTitle(info), L"MT6402 Utility Revision 1.0.0.1 - S/N 00123");

    info.port = L"COM3";
    EXPECT_EQ(FrameTitle(info), L"MT6402 Utility Revision 1.0.0.1 - S/N 00123 on COM3 closed");

    info.portOpen = true;
    info.speed = 9600;
    EXPECT_EQ(FrameTitle(info), L"MT6402 Utility Revision 1.0.0.1 - S/N 00123 on COM3 at 9600 bit/s");

    // 0xFFFF means no serial number was read.
    info.serialNumber = 0xFFFF;
    EXPECT_EQ(FrameTitle(info), L"MT6402 Utility Revision 1.0.0.1 on COM3 at 9600 bit/s");
}

TEST(FrameTitle, WithoutVersionBlockTheFirstPartStaysEmpty)
{
    FrameTitleInfo info;
    info.port = L"COM1";
    EXPECT_EQ(FrameTitle(info), L" on COM1 closed");
    EXPECT_EQ(FrameTitle(FrameTitleInfo{}), L"");
}

TEST(FirmwareStatusText, ByStatusAndPortState)
{
    struct Case {
        uint32_t status;
        bool portOpen;
        uint16_t revision;
        uint32_t speed;
        const wchar_t* text;
    } cases[] = {
        {2, true, 0, 9600, L"MT6402 waiting for firmware load. RS-232 speed 9600 bit/s."},
        {3, true, 123, 9600, L"MT6402 revision 01.23. RS-232 speed 9600 bit/s."},
        {3, true, 999, 38400, L"MT6402 revision  N/A . RS-232 speed 38400 bit/s."},
        {0, true, 0, 9600, L"MT6402 is not responding"},
        {7, true, 0, 9600, L"MT6402 is not responding"},
        {0, false, 0, 9600, L"Serial Port is closed"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FirmwareStatusText(c.status, c.portOpen, c.revision, c.speed), c.text) << c.status;
}

TEST(ScalePercent, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(ScalePercent(600, 105), 630);
    EXPECT_EQ(ScalePercent(610, 105), 641);   // 640.5
    EXPECT_EQ(ScalePercent(611, 105), 642);   // 641.55
    EXPECT_EQ(ScalePercent(450, 109), 491);   // 490.5
    EXPECT_EQ(ScalePercent(449, 109), 489);   // 489.41
    EXPECT_EQ(ScalePercent(-10, 105), -11);   // -10.5
    EXPECT_EQ(ScalePercent(0, 109), 0);
}

TEST(StartPage, PortAndSavedPageDecide)
{
    struct Case {
        bool portEmpty;
        int activePage;
        int expected;
    } cases[] = {
        {false, 2, 2}, {false, 1, 1}, {false, 0, 0}, {false, 3, 0}, {false, 5, 0}, {false, -1, 0}, {true, 2, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StartPage(c.portEmpty, c.activePage, 3), c.expected) << c.portEmpty << " " << c.activePage;
}

TEST(RouteEvent, ContactMachineFirstThenLoaderThenPage)
{
    EXPECT_EQ(RouteEvent(true, true), EventRoute::ContactMachine);
    EXPECT_EQ(RouteEvent(true, false), EventRoute::ContactMachine);
    EXPECT_EQ(RouteEvent(false, true), EventRoute::LoaderMachine);
    EXPECT_EQ(RouteEvent(false, false), EventRoute::Page);
}

} // namespace

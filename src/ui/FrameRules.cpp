// The main frame's decisions that are logic rather than drawing.
#include "ui/FrameRules.h"

#include "model/Format.h"
#include "model/StringTable.h"

std::wstring RevisionText(uint16_t revision)
{
    switch (revision) {
    case 0:
        return LoadStringResource(IDS_REVISION_UNKNOWN);
    case 999:
        return LoadStringResource(IDS_REVISION_NA);
    case 0xFFFE:
        return LoadStringResource(IDS_REVISION_LOADING);
    default:
        return Format(L"%02u.%02u", revision / 100u, revision % 100u);
    }
}

std::wstring FrameTitle(const FrameTitleInfo& info)
{
    std::wstring title;
    if (info.hasVersion)
        title = Format(StringId{IDS_TITLE_REVISION}, info.description, info.version[0], info.version[1],
                       info.version[2], info.version[3]);
    if (info.serialNumber != 0xFFFF)
        title += Format(StringId{IDS_TITLE_SERIAL}, info.serialNumber);
    if (!info.port.empty()) {
        if (info.portOpen)
            title += Format(StringId{IDS_TITLE_PORT_OPEN}, info.port, info.speed);
        else
            title += Format(StringId{IDS_TITLE_PORT_CLOSED}, info.port);
    }
    return title;
}

std::wstring FirmwareStatusText(uint32_t status, bool portOpen, uint16_t installedRevision, uint32_t speed)
{
    const StringId device{IDS_DEVICE_NAME};
    if (status == 2)
        return Format(StringId{IDS_STATUS_LOADER_WAITING}, device, speed);
    if (status == 3)
        return Format(StringId{IDS_STATUS_RUNNING}, device, RevisionText(installedRevision), speed);
    if (portOpen)
        return Format(StringId{IDS_STATUS_NOT_RESPONDING}, device);
    return LoadStringResource(IDS_STATUS_PORT_CLOSED);
}

int ScalePercent(int value, int percent)
{
    int64_t scaled = static_cast<int64_t>(value) * percent;
    int64_t half = scaled >= 0 ? 50 : -50;
    return static_cast<int>((scaled + half) / 100);
}

int StartPage(bool portEmpty, int activePage, int pageCount)
{
    if (portEmpty)
        return 0;
    return activePage >= 0 && activePage < pageCount ? activePage : 0;
}

EventRoute RouteEvent(bool contactRunning, bool loaderRunning)
{
    if (contactRunning)
        return EventRoute::ContactMachine;
    if (loaderRunning)
        return EventRoute::LoaderMachine;
    return EventRoute::Page;
}

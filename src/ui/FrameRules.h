// The main frame's decisions that are logic rather than drawing: title, status text, sizes, start page, routing.
#pragma once
#include <cstdint>
#include <string>

// "%02u.%02u" of revision / 100 and revision % 100; 0 "??.??", 999 " N/A ", 0xFFFE "Loading".
std::wstring RevisionText(uint16_t revision);

// What the title shows. `version` holds the four file-version parts, most significant first.
struct FrameTitleInfo {
    bool hasVersion = false;     // false while the version block cannot be read
    std::wstring description;    // the version block's FileDescription
    uint16_t version[4] = {};
    uint16_t serialNumber = 0xFFFF;
    std::wstring port;
    bool portOpen = false;
    uint32_t speed = 0;          // bit/s, shown only while the port is open
};

// "<description> Revision a.b.c.d", then " - S/N nnnnn" when a serial number is known, then
// " on <port> at <speed> bit/s" or " on <port> closed" when a port is chosen.
std::wstring FrameTitle(const FrameTitleInfo& info);

// The status-bar text for a firmware status (2 loader waiting, 3 running, else not responding or closed).
std::wstring FirmwareStatusText(uint32_t status, bool portOpen, uint16_t installedRevision, uint32_t speed);

// `value` * percent / 100 rounded to the nearest integer, halves away from zero.
int ScalePercent(int value, int percent);

// The page shown first: 0 without a port, else the saved page when it is a valid index, else 0.
int StartPage(bool portEmpty, int activePage, int pageCount);

// Who receives a serial event or a machine timer: the running contact machine, else the running
// loader machine, else the page shown.
enum class EventRoute { ContactMachine, LoaderMachine, Page };
EventRoute RouteEvent(bool contactRunning, bool loaderRunning);

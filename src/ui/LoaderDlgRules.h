// The loader dialog's decisions that are logic rather than drawing: its status line and the end of a load.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

class ILoaderStateMachine;

// Where a line of the loader dialog goes: into its own log only, or also to the main window as an
// activity line that is always shown, or shown only with verbose logging.
enum class LoaderLine { LogOnly, Report, Verbose };
using LoaderLineSink = std::function<void(LoaderLine kind, const std::wstring& text)>;

// "MT6402 revision 01.12. RS-232 speed 9600 bit/s.": the module as a load begins.
std::wstring LoaderStatusLine(uint16_t installedRevision, uint32_t speed);

// The end of a load, StatusReset having brought `result`: the retry statistics when any block
// needed a retry; for a load that went through, the revision check (the machine reports its line)
// and the success lines; for a failure, the code with its text and, unless the device is not the
// expected kind, what the user can do next. Returns 0 for a verified load, else the failure code.
uint32_t CompleteLoad(ILoaderStateMachine& machine, uint32_t result, const LoaderLineSink& line);

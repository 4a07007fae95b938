// The program's HTML Help: the help file next to the executable, its contents and its topics.
#pragma once
#include <string>

#include <windows.h>

// The executable's own path with its extension replaced by ".chm".
std::wstring HelpFilePath();

// Shows the table of contents. On failure the "Help Error" box is shown (owned by `owner`) and
// the result is false.
bool ShowHelpContents(HWND owner);

// Shows a topic such as "Port.htm" or "CommandTester.htm#MacroEditor"; no topic shows the contents.
bool ShowHelpTopic(HWND owner, const wchar_t* topic);

// Closes every help window the program opened (before the program ends).
void CloseAllHelp();

// Drives modal dialogs from inside their modal loops: each step waits for its dialog and acts on it.
#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

// A thread timer looks for a visible dialog of this thread whose title is the next step's and
// hands it to that step's action; an action may open the next dialog (the timer keeps running in
// the nested modal loop). Should a step's dialog not appear within the time-out, every dialog of
// the thread is cancelled, so that the test ends and sees the steps that did not run.
class DialogScript {
public:
    using Action = std::function<void(HWND dialog)>;
    struct Step {
        std::wstring title;
        Action action;
    };

    explicit DialogScript(std::vector<Step> steps, DWORD timeoutMs = 10000);
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    size_t StepsRun() const { return next_; }
    bool Finished() const { return next_ == steps_.size(); }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Tick();

    std::vector<Step> steps_;
    size_t next_ = 0;
    DWORD timeoutMs_;
    DWORD waitingSince_;
    UINT_PTR timer_ = 0;
};

// The visible dialog of this thread with this title, or null.
HWND FindThreadDialog(const std::wstring& title);
// Every dialog window of this thread with this title, visible or not.
std::vector<HWND> ThreadDialogs(const std::wstring& title);
// Presses the dialog's button as a click of the mouse would.
void PressButton(HWND dialog, int id);

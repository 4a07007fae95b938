// The real main frame on a scripted port with in-memory settings, for the information windows' tests.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "FakeTimerHost.h"
#include "GuiEnvironment.h"
#include "app/MainFrame.h"
#include "platform/MessageTarget.h"
#include "platform/UserQuestions.h"
#include "ui/MessageLoop.h"

// A message box as it was asked: the owner's window is read while the box is up, since the owner
// target may live no longer than the question.
struct AskedQuestion {
    HWND owner = nullptr;
    std::wstring ownerTitle;
    std::wstring text;
    std::wstring caption;
    uint32_t flags = 0;
};

// The frame stays hidden: under Wine without a window manager every visible top-level window
// costs about two seconds when it is hidden or destroyed. Message boxes are answered OK and kept.
// Messages are pumped through the frame's message loop filters, as the program's loop does, so
// keys reach the windows' keyboard navigation.
class FrameFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HWND Frame() const { return frame_->Handle(); }
    CModelBase& Model() { return frame_->Model(); }
    void Command(UINT id);
    void Pump();

    FakeTimerHost timers_;
    CMessageLoop loop_;
    std::unique_ptr<CMainFrame> frame_;
    std::vector<AskedQuestion> questions_;

private:
    UserQuestionHandler previousHandler_;
};

// The rectangle of a dialog's control in the dialog's client coordinates.
RECT ControlRect(HWND dialog, int id);
// The centre of a window's rectangle on the screen.
POINT WindowCentre(HWND window);
// True when the control's mouse context menu is the edit menu (its tracker is asked to show it).
bool OffersEditMenu(HWND control);
// True when the characters from `first` (exclusive end `last`) of a rich edit are all bold.
bool IsBold(HWND richEdit, long first, long last);

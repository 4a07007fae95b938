// The real main frame on a scripted serial port, showing the Command Tester page, for the tester's window tests.
#pragma once
#include <memory>
#include <string>

#include <windows.h>

#include <gtest/gtest.h>

#include "FakeSerialPort.h"
#include "FakeTimerHost.h"
#include "app/MainFrame.h"
#include "model/Model.h"

// The frame has no contact machine, so serial events always reach the page shown. The port posts
// WM_COMM_EVENT to the frame when bytes are delivered, as the real port's waiter thread does.
class TesterFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    CModelBase& Model() { return frame_->Model(); }
    HWND Control(int id) const { return GetDlgItem(page_, id); }
    // The port opens and the module answers (FirmwareStatus 3).
    void ModuleAnswers();
    void Click(int id);
    // Types the characters into the command box as the keyboard would deliver them.
    void Type(const std::wstring& keys);
    // The output window's text; a line break reads as "\r" (the rich edit's paragraph mark).
    std::wstring OutputText() const;
    // The colour of the output's characters from `first` to `last` (exclusive) when they share
    // one explicit colour; -1 when they do not.
    long OutputColour(long first, long last) const;

    FakeTimerHost timers_;
    FakeSerialPort* port_ = nullptr; // owned by the model
    std::unique_ptr<CMainFrame> frame_;
    HWND page_ = nullptr;
};

// The interfaces through which windows and the model drive a device conversation.
#pragma once
#include <cstdint>
#include <string>

class IMessageTarget;

// A conversation with the module that moves only when it is handed an event: bytes received
// (WM_COMM_EVENT) or its state timer. The owner routes events only to a machine that is not complete.
class IStateMachine {
public:
    virtual ~IStateMachine() = default;

    // False when the machine is complete. Otherwise records ERROR_CANCELLED (1223) as the result,
    // unless a failure is already recorded, and returns true; the machine ends at its next command.
    virtual bool Cancel() = 0;
    // True in the final state; a machine that was never started is complete.
    virtual bool IsComplete() = 0;
    // Machine-specific end of life (the loader machine asks the model to destroy it).
    virtual void Release() = 0;
    // The received-data event: reads the waiting bytes of the current reply. Returns 0.
    virtual intptr_t OnReceive(uint32_t message, uintptr_t wParam, intptr_t lParam, bool& handled) = 0;
    // The timer event (wParam = timer id); timers of other ids are left alone (handled = false). Returns 0.
    virtual intptr_t OnTimer(uint32_t message, uintptr_t timerId, intptr_t lParam, bool& handled) = 0;
};

// The contact machine: finds the module on the port named by the model's Port and reads its revision.
class IContactStateMachine : public IStateMachine {
public:
    // Abandons any conversation, closes the port if it is open and resets the device values. True.
    virtual bool ClosePortNow() = 0;
    // Abandons any conversation, (re)opens the port, polls until the module answers, reads the
    // revision. A test of the same port that began only moments ago and has had no answer yet goes
    // on instead. True.
    virtual bool TestCommunications() = 0;
    // Reads the revision on the open port; false (and nothing changes) while a conversation runs.
    virtual bool QueryRevision() = 0;
    // The outcome of the last conversation: 0, or the code it ended with.
    virtual uint32_t GetResult() = 0;
};

// The firmware loader machine: sends the model's FirmwareFile to the module's bootstrap loader and
// reads the new revision. Its lines go to the window given to StartLoad (WM_LOADER_LINE) and to the
// model's notify window; its end raises the model's StatusReset with the result.
class ILoaderStateMachine : public IStateMachine {
public:
    // The module's name as the loader's lines show it.
    virtual std::wstring GetDeviceName() = 0;
    // The file the image was read from (empty before the first StartLoad).
    virtual std::wstring GetFileName() = 0;
    // The most retries any one block needed, and the retries of all blocks together.
    virtual uint32_t GetHighestRetries() = 0;
    virtual uint32_t GetTotalRetries() = 0;
    // Compares the file name's revision with the module's and reports the outcome: 0 when they
    // match, 0xE2000046 when not. With `always` the revision line is reported also on a match.
    virtual uint32_t Verify(bool always) = 0;
    // Reads and checks the image, then starts the conversation; lines go to `window` as well.
    // False when a load runs (nothing changes) or the image cannot be used (the machine has then
    // finished with the reason as its result).
    virtual bool StartLoad(IMessageTarget* window) = 0;
};

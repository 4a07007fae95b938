// The host of a state machine: current state, reply assembly, state timer, sending, result and reporting.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "machines/PrintableText.h"
#include "machines/State.h"
#include "model/Format.h"
#include "machines/StateMachine.h"
#include "model/Model.h"
#include "model/StatusCodes.h"
#include "platform/LastError.h"
#include "platform/MessageTarget.h"

// The first base of every machine T. T supplies `void OnFinished()`, called by the final state,
// which begins with PublishStatus(). The machine has no thread: it moves only inside OnReceive
// and OnTimer (handed to it by the owner of the notify window) and inside Run.
//
// The model is not owned and must outlive the machine. The state timer is a timer of the model's
// notify window with the machine's identifier, started through the model's timer host.
//
// The machine's owner may release it from inside a notification the machine itself raised (the
// loader dialog ends, and releases its machine, when StatusReset arrives). Inside OnReceive,
// OnTimer and any call a machine wraps in a CCallScope, ReleaseNow is then deferred until that
// outermost call has returned, so the machine is never destroyed while its own code runs.
template <class T>
class CStateHost {
public:
    // Marks one of the machine's own operations as running (they may nest).
    class CCallScope {
    public:
        explicit CCallScope(CStateHost& host) : host_(host) { ++host_.callDepth_; }
        ~CCallScope()
        {
            // The last thing done in the scope: the machine may be gone afterwards.
            if (--host_.callDepth_ == 0 && host_.releaseDue_)
                host_.ReleaseNow();
        }
        CCallScope(const CCallScope&) = delete;
        CCallScope& operator=(const CCallScope&) = delete;

    private:
        CStateHost& host_;
    };

    // The number of times a retrying state sends its command before it fails.
    static constexpr uint32_t DefaultCommandRetryLimit = 10;

    CStateHost(CModelBase& model, uintptr_t timerId) : finalState_(*this), model_(model), timerId_(timerId)
    {
        receiveBuffer_.reserve(ReceiveBufferReserve);
    }
    virtual ~CStateHost() = default;
    CStateHost(const CStateHost&) = delete;
    CStateHost& operator=(const CStateHost&) = delete;

    // Every report and trace line of the machine passes here (nothing by default).
    virtual void OnReport(const std::wstring& line) { (void)line; }
    // Ends the machine's life (see ReleaseWhenIdle); nothing by default. The machine may be
    // destroyed by it, so nothing of it is touched afterwards.
    virtual void ReleaseNow() {}

    // --- the IStateMachine operations, for T to expose ---

    bool Cancel()
    {
        if (IsComplete())
            return false;
        if (!IsFailure(result_))
            result_ = ERROR_CODE_CANCELLED;
        return true;
    }

    bool IsComplete() const { return currentState_ == &finalState_; }

    // Reads the waiting bytes one at a time until a terminator; a complete reply goes to the
    // current state. Bytes after the terminator stay in the port for the next event, and a reply
    // without its terminator stays in the buffer until more bytes arrive.
    intptr_t OnReceive(uint32_t /*message*/, uintptr_t /*wParam*/, intptr_t /*lParam*/, bool& handled)
    {
        handled = true;
        CCallScope scope(*this);
        ISerialPort& port = model_.SerialPort();
        for (;;) {
            uint8_t byte = 0;
            uint32_t received = 0;
            if (!port.Read(&byte, 1, received))
                return 0; // the port has reported the failure; the buffer keeps what it holds
            if (received == 0)
                break;
            const wchar_t c = static_cast<wchar_t>(byte);
            receiveBuffer_ += c;
            if (IsTerminator(c))
                break;
        }
        if (receiveBuffer_.empty() || !IsTerminator(receiveBuffer_.back()))
            return 0;
        // The printable copy is made only for a trace: this runs for every block of a firmware load.
        if (model_.Trace.Get() != 0)
            Trace(L"%s Response \"%s\" %3u ms", currentState_->Name(), PrintableText(receiveBuffer_),
                  model_.Timers().TickCount() - stepTime_);
        currentState_->OnResponse();
        receiveBuffer_.clear();
        return 0;
    }

    intptr_t OnTimer(uint32_t /*message*/, uintptr_t timerId, intptr_t /*lParam*/, bool& handled)
    {
        handled = timerId == timerId_;
        if (!handled)
            return 0;
        CCallScope scope(*this);
        KillStateTimer();
        Trace(L"%s Timer Elapsed %3u ms", currentState_->Name(), model_.Timers().TickCount() - stepTime_);
        currentState_->OnTimer();
        return 0;
    }

    // --- operations used by the states and by the machine ---

    // Calls ReleaseNow at once, or when the machine's outermost own call returns if one runs.
    void ReleaseWhenIdle()
    {
        if (callDepth_ > 0)
            releaseDue_ = true;
        else
            ReleaseNow();
    }

    // Starts a conversation at `first`, abandoning any that runs.
    void Run(CState<T>& first)
    {
        statusToPublish_ = model_.FirmwareStatus.Get();
        result_ = STATUS_OK;
        KillStateTimer(); // a conversation abandoned here leaves no timer behind
        ChangeState(first);
    }

    void ChangeState(CState<T>& state)
    {
        currentState_ = &state;
        state.Enter();
        currentState_->Start();
    }

    // Makes `state` current without its Enter or Start: the caller resumes it where it left off
    // (the loader's resynchronisation hands the same block back to its block state this way).
    void MakeCurrent(CState<T>& state) { currentState_ = &state; }

    // Empties the reply buffer, purges the port's input and writes the text, one byte per
    // character. On failure the reason becomes the result and the conversation ends.
    bool SendText(std::wstring_view text)
    {
        receiveBuffer_.clear();
        currentState_->TraceSend(std::wstring(text));
        ISerialPort& port = model_.SerialPort();
        if (!port.IsOpen())
            return SendFailed(ERROR_CODE_INVALID_HANDLE);
        if (!port.Purge())
            return SendFailed(GetLastErrorCode());
        if (!port.WriteText(text))
            return SendFailed(GetLastErrorCode());
        return true;
    }

    // The same for a binary block (the loader's download blocks); the state traces it itself.
    bool SendBytes(const uint8_t* bytes, uint32_t count)
    {
        receiveBuffer_.clear();
        ISerialPort& port = model_.SerialPort();
        if (!port.IsOpen())
            return SendFailed(ERROR_CODE_INVALID_HANDLE);
        if (!port.Purge())
            return SendFailed(GetLastErrorCode());
        uint32_t written = 0;
        if (!port.Write(bytes, count, written))
            return SendFailed(GetLastErrorCode());
        if (written != count)
            return SendFailed(ERROR_CODE_WRITE_FAULT);
        return true;
    }

    // Starts (or restarts) the state timer and takes the step time. False with the last error
    // when there is no notify window or the timer cannot be started.
    bool StartTimedWait(uint32_t milliseconds)
    {
        IMessageTarget* window = model_.NotifyWindow();
        bool started = false;
        if (!window)
            SetLastErrorCode(ERROR_CODE_INVALID_WINDOW_HANDLE);
        else
            started = model_.Timers().SetTimer(*window, timerId_, milliseconds);
        stepTime_ = model_.Timers().TickCount();
        return started;
    }

    void KillStateTimer()
    {
        if (IMessageTarget* window = model_.NotifyWindow())
            model_.Timers().KillTimer(*window, timerId_);
    }

    // The code a failed StartTimedWait leaves: the last error, never 0.
    uint32_t TimerFailureCode() const
    {
        const uint32_t code = GetLastErrorCode();
        return code != 0 ? code : ERROR_CODE_INVALID_WINDOW_HANDLE;
    }

    // Gives the model's FirmwareStatus the outcome: the status to publish, or 0 after a failure
    // other than an unexpected device. The model stores 0 while the port is closed and tells its
    // observers only of a change.
    void PublishStatus()
    {
        if (IsFailure(result_) && result_ != MSG_UNEXPECTED_DEVICE)
            statusToPublish_ = FirmwareStatusNone;
        model_.FirmwareStatus.Set(statusToPublish_);
    }

    // An activity line that is always shown (WM_REPORT_TEXT to the notify window).
    template <class... Args>
    void Report(const TextArg& format, const Args&... args)
    {
        SendLine(WM_REPORT_TEXT, Format(format, args...));
    }

    // A status line, shown only with verbose logging (WM_VERBOSE_TEXT to the notify window).
    template <class... Args>
    void ReportStatus(const TextArg& format, const Args&... args)
    {
        SendLine(WM_VERBOSE_TEXT, Format(format, args...));
    }

    // A trace line, made only while the model's Trace setting is on; it goes to OnReport and to
    // the trace sink, never to the notify window.
    template <class... Args>
    void Trace(const TextArg& format, const Args&... args)
    {
        if (model_.Trace.Get() == 0)
            return;
        const std::wstring line = Format(format, args...);
        OnReport(line);
        if (traceSink_)
            traceSink_(line);
    }

    // Receives the trace lines as well (a console front end prints them); none by default.
    void SetTraceSink(std::function<void(const std::wstring&)> sink) { traceSink_ = std::move(sink); }

    // Whole seconds for messages: (ms + 500) / 1000.
    static uint32_t MillisecondsToSeconds(uint32_t milliseconds) { return (milliseconds + 500) / 1000; }

    // --- fields ---

    uint32_t CommandRetryLimit() const { return commandRetryLimit_; }
    CFinalState<T>& FinalState() { return finalState_; }
    FIRMWARESTATUS StatusToPublish() const { return statusToPublish_; }
    void SetStatusToPublish(FIRMWARESTATUS status) { statusToPublish_ = status; }
    const std::wstring& ReceiveBuffer() const { return receiveBuffer_; }
    const std::wstring& Terminators() const { return terminators_; }
    void SetTerminators(const wchar_t* terminators) { terminators_ = terminators ? terminators : L""; }
    uint32_t Result() const { return result_; }
    void SetResult(uint32_t code) { result_ = code; }
    uint32_t StepTime() const { return stepTime_; }
    CState<T>& CurrentState() const { return *currentState_; }
    CModelBase& Model() const { return model_; }
    uintptr_t TimerId() const { return timerId_; }

private:
    static constexpr size_t ReceiveBufferReserve = 256;
    static constexpr uint32_t ERROR_CODE_WRITE_FAULT = 29;
    static constexpr uint32_t ERROR_CODE_INVALID_WINDOW_HANDLE = 1400;

    bool IsTerminator(wchar_t c) const { return terminators_.find(c) != std::wstring::npos; }

    bool SendFailed(uint32_t code)
    {
        // A failed call that left no reason must still end the conversation as a failure.
        result_ = code != 0 ? code : ERROR_CODE_WRITE_FAULT;
        ChangeState(finalState_);
        return false;
    }

    void SendLine(uint32_t message, const std::wstring& line)
    {
        OnReport(line);
        if (IMessageTarget* window = model_.NotifyWindow())
            window->Send(message, 0, reinterpret_cast<intptr_t>(line.c_str()));
    }

    uint32_t commandRetryLimit_ = DefaultCommandRetryLimit;
    CFinalState<T> finalState_;
    FIRMWARESTATUS statusToPublish_ = FirmwareStatusNone;
    std::wstring receiveBuffer_;
    std::wstring terminators_;
    uint32_t result_ = STATUS_OK;
    uint32_t stepTime_ = 0;
    CState<T>* currentState_ = &finalState_;
    CModelBase& model_;
    uintptr_t timerId_;
    std::function<void(const std::wstring&)> traceSink_;
    unsigned callDepth_ = 0;  // the machine's own calls running (CCallScope)
    bool releaseDue_ = false; // released during one of them: ReleaseNow when the last returns
};

// The base of every state of a machine, and the final state.
#pragma once
#include <cstdint>
#include <string>

template <class T>
class CStateHost;

// One step of a conversation. States are members of their machine T (which derives from
// CStateHost<T>), wired to their next state when the machine is constructed; they never own
// anything and nothing is allocated when a state becomes current.
template <class T>
class CState {
public:
    CState(CStateHost<T>& host, const wchar_t* name, CState* next = nullptr) : host_(host), name_(name), next_(next) {}
    virtual ~CState() = default;
    CState(const CState&) = delete;
    CState& operator=(const CState&) = delete;

    // Makes the next state current (Enter, then Start); nothing when there is none.
    virtual void Next()
    {
        if (next_)
            host_.ChangeState(*next_);
    }
    // Ends the conversation: the final state becomes current.
    virtual void Abort() { host_.ChangeState(host_.FinalState()); }
    // A complete reply is in the host's receive buffer.
    virtual void OnResponse() {}
    // Does the state's work once it is current.
    virtual void Start() = 0;
    // Prepares the state when it becomes current, before Start.
    virtual void Enter() {}
    // The state timer elapsed (it has been killed already).
    virtual void OnTimer() {}
    // A command is about to be written.
    virtual void TraceSend(const std::wstring& text) { (void)text; }
    // Records the code as the machine's result and ends the conversation.
    virtual void Fail(uint32_t code)
    {
        host_.SetResult(code);
        Abort();
    }

    const wchar_t* Name() const { return name_; }
    CState* NextState() const { return next_; }

protected:
    CStateHost<T>& Host() { return host_; }
    // The machine itself; valid once the machine is constructed (states act only after that).
    T& Machine() { return static_cast<T&>(host_); }

    // Starts the state timer; a timer that cannot be started ends the conversation with the
    // reason, since no event would ever move the machine again.
    bool StartTimer(uint32_t milliseconds)
    {
        if (host_.StartTimedWait(milliseconds))
            return true;
        Fail(host_.TimerFailureCode());
        return false;
    }

private:
    CStateHost<T>& host_;
    const wchar_t* name_;
    CState* next_;
};

// The state a machine rests in before it starts and after it ends: no timer, no replies.
template <class T>
class CFinalState : public CState<T> {
public:
    explicit CFinalState(CStateHost<T>& host) : CState<T>(host, L"FinalState") {}

    // Publishes the outcome through the machine's OnFinished.
    void Start() override
    {
        this->Host().KillStateTimer();
        this->Machine().OnFinished();
    }
};

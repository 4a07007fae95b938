// Machines for tests of their owners: a flag says whether they run; calls are counted.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "machines/StateMachine.h"

// Header-only, so a change of the machine interfaces touches only the tests that use these.
template <class Interface>
class FakeMachine : public Interface {
public:
    bool Cancel() override
    {
        ++cancels;
        return !complete;
    }
    bool IsComplete() override { return complete; }
    void Release() override
    {
        ++releases;
        if (onRelease)
            onRelease();
    }
    intptr_t OnReceive(uint32_t, uintptr_t, intptr_t, bool& handled) override
    {
        ++receives;
        handled = true;
        return 0;
    }
    intptr_t OnTimer(uint32_t, uintptr_t, intptr_t, bool& handled) override
    {
        ++timers;
        handled = true;
        return 0;
    }

    bool complete = true;
    unsigned cancels = 0;
    unsigned releases = 0;
    unsigned receives = 0;
    unsigned timers = 0;
    std::function<void()> onRelease;
    // Runs when the machine is destroyed, so a test can see its end of life.
    std::function<void()> onDestroy;
    ~FakeMachine() override
    {
        if (onDestroy)
            onDestroy();
    }
};

class FakeContactMachine : public FakeMachine<IContactStateMachine> {
public:
    bool ClosePortNow() override
    {
        ++closePortNows;
        return true;
    }
    bool TestCommunications() override
    {
        ++tests;
        return true;
    }
    bool QueryRevision() override
    {
        ++queries;
        return complete;
    }
    uint32_t GetResult() override { return result; }
    uint32_t result = 0;
    unsigned closePortNows = 0;
    unsigned tests = 0;
    unsigned queries = 0;
};

class FakeLoaderMachine : public FakeMachine<ILoaderStateMachine> {
public:
    std::wstring GetDeviceName() override { return L"MT6402"; }
    std::wstring GetFileName() override { return fileName; }
    uint32_t GetHighestRetries() override { return highestRetries; }
    uint32_t GetTotalRetries() override { return totalRetries; }
    uint32_t Verify(bool always) override
    {
        verifies.push_back(always);
        return verifyResult;
    }
    bool StartLoad(IMessageTarget* window) override
    {
        loadWindows.push_back(window);
        return complete;
    }

    std::wstring fileName;
    uint32_t highestRetries = 0;
    uint32_t totalRetries = 0;
    uint32_t verifyResult = 0;
    std::vector<bool> verifies;                // each Verify's argument
    std::vector<IMessageTarget*> loadWindows; // each StartLoad's window
};

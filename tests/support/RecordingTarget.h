// A message target that records every message it receives, with copies of report texts.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/MessageTarget.h"

struct RecordedMessage {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    std::wstring text; // a copy of the text for the report messages, which carry a text in lParam
    bool posted;
};

class RecordingTarget : public IMessageTarget {
public:
    intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    IMessageTarget* TopLevel() override { return parent ? parent->TopLevel() : this; }

    // The texts of the recorded messages with this number.
    std::vector<std::wstring> Texts(uint32_t message) const;

    IMessageTarget* parent = nullptr;
    std::vector<RecordedMessage> messages;
};

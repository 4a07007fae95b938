// The module's running firmware as the simulator plays it: ";" poll replies and the "V" revision reply.
#pragma once
#include <string>

#include "SimRole.h"

struct FirmwareBehaviour {
    unsigned revision = 112; // 100 x major + minor: 112 answers "V1.12;"
    bool silent = false;     // answers nothing
    bool noise = false;      // a few garbage bytes before each reply
    bool badVersion = false; // the revision reply in a wrong format ("V1.2;")
};

class CFirmwareRole : public ISimRole {
public:
    explicit CFirmwareRole(const FirmwareBehaviour& behaviour) : behaviour_(behaviour) {}

    const char* Name() const override { return "firmware"; }
    void OnByte(uint8_t byte, uint64_t nowMs, ISimLink& link) override;

    // The revision the "V" reply carries; the bootstrap loader changes it when new firmware runs.
    unsigned Revision() const { return behaviour_.revision; }
    void SetRevision(unsigned revision) { behaviour_.revision = revision; }

    // The replies, exposed for the simulator's own checks.
    std::string PollReply() const { return ";"; }
    std::string RevisionReply() const;

private:
    void Reply(const std::string& text, ISimLink& link) const;

    FirmwareBehaviour behaviour_;
};

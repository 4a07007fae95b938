// The application's open settings key, owned for the life of the model.
#pragma once
#include <memory>

#include "model/SettingsStore.h"

// Holds the open application key, or nothing when it could not be opened; then every load and
// save of the model fails quietly and the values keep their defaults.
class CAppInfoBase {
public:
    explicit CAppInfoBase(std::unique_ptr<ISettingsStore> key) : key_(std::move(key)) {}
    virtual ~CAppInfoBase() = default;
    CAppInfoBase(const CAppInfoBase&) = delete;
    CAppInfoBase& operator=(const CAppInfoBase&) = delete;

    ISettingsStore* Key() const { return key_.get(); }
    bool IsOpen() const { return key_ != nullptr; }

private:
    std::unique_ptr<ISettingsStore> key_;
};

// The application key of T's program: a given store (tests), or the real one (string 169).
template <class T>
class CAppInfoT : public CAppInfoBase {
public:
    CAppInfoT() : CAppInfoBase(OpenApplicationSettings()) {}
    explicit CAppInfoT(std::unique_ptr<ISettingsStore> key) : CAppInfoBase(std::move(key)) {}
};

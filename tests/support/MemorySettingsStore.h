// An in-memory settings store with registry semantics, for tests; failures can be injected.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/SettingsStore.h"

// Keys and values live in shared nodes, so a store, its subkeys and a test's view of them see the
// same data. Names are compared without regard to ASCII case, like registry names.
class MemorySettingsStore : public ISettingsStore {
public:
    struct Value {
        uint32_t type = 0;
        std::vector<uint8_t> data;
    };
    struct Node {
        std::vector<std::pair<std::wstring, Value>> values; // in the order they were first set
        std::vector<std::pair<std::wstring, std::shared_ptr<Node>>> subkeys;
        // Injected failures: a code answered by SetValue / QueryValue for a name (all names with L"*").
        std::map<std::wstring, uint32_t> failSet;
        std::map<std::wstring, uint32_t> failQuery;
        std::vector<std::wstring> writes; // names passed to successful SetValue calls, in order
    };

    MemorySettingsStore() : node_(std::make_shared<Node>()) {}
    explicit MemorySettingsStore(std::shared_ptr<Node> node) : node_(std::move(node)) {}

    uint32_t QueryValue(const std::wstring& name, uint32_t& type, uint8_t* data, uint32_t& size) override;
    uint32_t SetValue(const std::wstring& name, uint32_t type, const uint8_t* data, uint32_t size) override;
    uint32_t OpenSubKey(const std::wstring& name, bool create, std::unique_ptr<ISettingsStore>& key) override;

    // Direct access for tests.
    const std::shared_ptr<Node>& Root() const { return node_; }
    void PutDword(const std::wstring& name, uint32_t value);
    void PutText(const std::wstring& name, const std::wstring& text, uint32_t type = SETTINGS_TYPE_SZ);
    void PutRaw(const std::wstring& name, uint32_t type, std::vector<uint8_t> data);
    const Value* Find(const std::wstring& name) const;
    // The subkey's node, null when absent.
    std::shared_ptr<Node> SubKey(const std::wstring& name) const;

private:
    std::shared_ptr<Node> node_;
};

// An in-memory settings store with registry semantics, for tests.
#include "MemorySettingsStore.h"

#include <algorithm>
#include <cstring>

#include "model/SettingsValues.h"
#include "platform/LastError.h"

namespace {

bool SameName(const std::wstring& a, const std::wstring& b)
{
    auto fold = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](wchar_t x, wchar_t y) { return fold(x) == fold(y); });
}

uint32_t InjectedFailure(const std::map<std::wstring, uint32_t>& failures, const std::wstring& name)
{
    for (const auto& [failName, code] : failures)
        if (failName == L"*" || SameName(failName, name))
            return code;
    return 0;
}

template <class List>
auto FindIn(List& list, const std::wstring& name)
{
    return std::find_if(list.begin(), list.end(), [&](const auto& entry) { return SameName(entry.first, name); });
}

} // namespace

uint32_t MemorySettingsStore::QueryValue(const std::wstring& name, uint32_t& type, uint8_t* data, uint32_t& size)
{
    if (const uint32_t code = InjectedFailure(node_->failQuery, name))
        return code;
    const Value* value = Find(name);
    if (!value)
        return ERROR_CODE_FILE_NOT_FOUND;
    type = value->type;
    const uint32_t room = size;
    size = static_cast<uint32_t>(value->data.size());
    if (!data)
        return 0;
    if (size > room)
        return ERROR_CODE_MORE_DATA;
    if (size > 0)
        std::memcpy(data, value->data.data(), size);
    return 0;
}

uint32_t MemorySettingsStore::SetValue(const std::wstring& name, uint32_t type, const uint8_t* data, uint32_t size)
{
    if (const uint32_t code = InjectedFailure(node_->failSet, name))
        return code;
    PutRaw(name, type, std::vector<uint8_t>(data, data + size));
    node_->writes.push_back(name);
    return 0;
}

uint32_t MemorySettingsStore::OpenSubKey(const std::wstring& name, bool create, std::unique_ptr<ISettingsStore>& key)
{
    key.reset();
    auto it = FindIn(node_->subkeys, name);
    if (it == node_->subkeys.end()) {
        if (!create)
            return ERROR_CODE_FILE_NOT_FOUND;
        node_->subkeys.emplace_back(name, std::make_shared<Node>());
        it = node_->subkeys.end() - 1;
    }
    key = std::make_unique<MemorySettingsStore>(it->second);
    return 0;
}

void MemorySettingsStore::PutDword(const std::wstring& name, uint32_t value)
{
    PutRaw(name, SETTINGS_TYPE_DWORD,
           {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)});
}

void MemorySettingsStore::PutText(const std::wstring& name, const std::wstring& text, uint32_t type)
{
    const std::string bytes = TextToRegistryBytes(text);
    PutRaw(name, type, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

void MemorySettingsStore::PutRaw(const std::wstring& name, uint32_t type, std::vector<uint8_t> data)
{
    auto it = FindIn(node_->values, name);
    if (it == node_->values.end())
        node_->values.emplace_back(name, Value{type, std::move(data)});
    else
        it->second = Value{type, std::move(data)};
}

const MemorySettingsStore::Value* MemorySettingsStore::Find(const std::wstring& name) const
{
    auto it = FindIn(node_->values, name);
    return it == node_->values.end() ? nullptr : &it->second;
}

std::shared_ptr<MemorySettingsStore::Node> MemorySettingsStore::SubKey(const std::wstring& name) const
{
    auto it = FindIn(node_->subkeys, name);
    return it == node_->subkeys.end() ? nullptr : it->second;
}

// A registry in memory: keys and value names compared ignoring case as
// Windows does, subkeys enumerated in name order, every write recorded.
#pragma once

#include <cwctype>
#include <algorithm>
#include <map>
#include <set>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/core/registry_port.h"

namespace norvale::test {

class InMemoryRegistry final : public RegistryPort {
public:
    struct Write {
        RegistryHive hive;
        std::wstring key;
        std::wstring valueName;
        std::uint32_t value;
    };

    bool writesFail = false;
    std::vector<Write> writes;

    // Creates the key and its parents.
    void CreateKey(RegistryHive hive, const std::wstring& key) {
        std::wstring parent;
        std::size_t start = 0;
        while (start <= key.size()) {
            const std::size_t end = std::min(key.find(L'\\', start), key.size());
            const std::wstring part = key.substr(start, end - start);
            const std::wstring path = parent.empty() ? part : parent + L"\\" + part;
            Node& node = keys_[{hive, Lower(path)}];
            if (node.name.empty()) node.name = part;
            if (!parent.empty()) keys_[{hive, Lower(parent)}].children.insert(Lower(part));
            parent = path;
            start = end + 1;
        }
    }
    void SetRaw(RegistryHive hive, const std::wstring& key, const std::wstring& valueName,
                std::vector<std::uint8_t> bytes) {
        CreateKey(hive, key);
        keys_[{hive, Lower(key)}].values[Lower(valueName)] = std::move(bytes);
    }
    void SetDword(RegistryHive hive, const std::wstring& key, const std::wstring& valueName, std::uint32_t value) {
        SetRaw(hive, key, valueName,
               {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
    }
    // A subkey that exists but cannot be opened.
    void Deny(RegistryHive hive, const std::wstring& key) {
        CreateKey(hive, key);
        keys_[{hive, Lower(key)}].denied = true;
    }

    std::optional<std::vector<std::uint8_t>> ReadValue(RegistryHive hive, const std::wstring& key,
                                                       const std::wstring& valueName, RegistryAccess = {}) override {
        const Node* node = Find(hive, key);
        if (node == nullptr) return std::nullopt;
        const auto value = node->values.find(Lower(valueName));
        if (value == node->values.end()) return std::nullopt;
        return value->second;
    }
    std::optional<std::vector<std::wstring>> SubkeyNames(RegistryHive hive, const std::wstring& key,
                                                         RegistryAccess = {}) override {
        const Node* node = Find(hive, key);
        if (node == nullptr) return std::nullopt;
        std::vector<std::wstring> names;
        for (const std::wstring& child : node->children) {
            names.push_back(keys_.at({hive, Lower(key) + L"\\" + child}).name);
        }
        return names;
    }
    bool WriteDword(RegistryHive hive, const std::wstring& key, const std::wstring& valueName,
                    std::uint32_t value) override {
        writes.push_back({hive, key, valueName, value});
        if (writesFail) return false;
        SetDword(hive, key, valueName, value);
        return true;
    }

private:
    struct Node {
        std::wstring name;
        bool denied = false;
        std::set<std::wstring> children;  // lower-case names
        std::map<std::wstring, std::vector<std::uint8_t>> values;
    };

    const Node* Find(RegistryHive hive, const std::wstring& key) const {
        const auto found = keys_.find({hive, Lower(key)});
        if (found == keys_.end() || found->second.denied) return nullptr;
        return &found->second;
    }
    static std::wstring Lower(std::wstring text) {
        for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        return text;
    }

    std::map<std::tuple<RegistryHive, std::wstring>, Node> keys_;
};

}  // namespace norvale::test

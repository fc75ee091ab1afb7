#include "tools/initiator_sim/sim_object.h"

#include <utility>

namespace norvale::sim {

SimValue SimValue::String(std::string text) {
    SimValue value;
    value.type = Type::String;
    value.text = std::move(text);
    return value;
}

SimValue SimValue::Bool(bool flag) {
    SimValue value;
    value.type = Type::Bool;
    value.flag = flag;
    return value;
}

SimValue SimValue::Int32(std::int32_t number) {
    SimValue value;
    value.type = Type::Int32;
    value.int32 = number;
    return value;
}

SimValue SimValue::UInt32(std::uint32_t number) {
    SimValue value;
    value.type = Type::UInt32;
    value.uint32 = number;
    return value;
}

SimValue SimValue::Objects(std::vector<SimObject> objects) {
    SimValue value;
    value.type = Type::Objects;
    value.objects = std::move(objects);
    return value;
}

const SimValue* SimObject::Find(std::string_view name) const {
    for (const SimProperty& property : properties) {
        if (SameIgnoringCase(property.name, name)) return &property.value;
    }
    return nullptr;
}

SimValue* SimObject::Find(std::string_view name) {
    return const_cast<SimValue*>(static_cast<const SimObject*>(this)->Find(name));
}

SimObject& SimObject::Set(std::string name, SimValue value) {
    if (SimValue* existing = Find(name)) {
        *existing = std::move(value);
    } else {
        properties.push_back({std::move(name), std::move(value)});
    }
    return *this;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

bool operator==(const SimValue& a, const SimValue& b) {
    return a.type == b.type && a.text == b.text && a.flag == b.flag && a.int32 == b.int32 &&
           a.uint32 == b.uint32 && a.objects == b.objects;
}

bool operator==(const SimObject& a, const SimObject& b) {
    if (a.className != b.className || a.properties.size() != b.properties.size()) return false;
    for (std::size_t i = 0; i < a.properties.size(); ++i) {
        if (a.properties[i].name != b.properties[i].name || !(a.properties[i].value == b.properties[i].value))
            return false;
    }
    return true;
}

}  // namespace norvale::sim

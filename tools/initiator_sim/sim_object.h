// WMI objects as the simulated initiator serves them: a class name and named,
// typed properties, arrays of embedded objects included. Texts are UTF-8.
// Plain data, shared by the simulation, its wire format and the Windows
// stand-ins, so it uses nothing beyond the standard library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace norvale::sim {

struct SimObject;

struct SimValue {
    enum class Type { Null, String, Bool, Int32, UInt32, Objects };

    Type type = Type::Null;
    std::string text;
    bool flag = false;
    std::int32_t int32 = 0;
    std::uint32_t uint32 = 0;
    std::vector<SimObject> objects;

    static SimValue Null() { return {}; }
    static SimValue String(std::string text);
    static SimValue Bool(bool flag);
    static SimValue Int32(std::int32_t number);
    static SimValue UInt32(std::uint32_t number);
    static SimValue Objects(std::vector<SimObject> objects);
};

struct SimProperty {
    std::string name;
    SimValue value;
};

struct SimObject {
    std::string className;
    std::vector<SimProperty> properties;

    // WMI property names ignore case. nullptr when there is no such property.
    const SimValue* Find(std::string_view name) const;
    SimValue* Find(std::string_view name);
    SimObject& Set(std::string name, SimValue value);
};

// ASCII letters compared ignoring case; other bytes exactly.
bool SameIgnoringCase(std::string_view a, std::string_view b);
std::string Lower(std::string_view text);

bool operator==(const SimValue& a, const SimValue& b);
bool operator==(const SimObject& a, const SimObject& b);

}  // namespace norvale::sim

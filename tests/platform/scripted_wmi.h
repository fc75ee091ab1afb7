// A WMI port with scripted answers for CWmiWrapper's tests: the result code
// of each step, the objects of each query text, and a record of every call.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/initiator/wmi_port.h"

namespace norvale::test {

// A property value as a test writes it down; `fails` makes the read fail.
struct ScriptValue {
    WmiValue::Type type = WmiValue::Type::Null;
    std::wstring text;
    bool flag = false;
    std::int32_t number = 0;
    std::uint16_t otherType = 0;
    std::vector<std::vector<std::pair<std::wstring, ScriptValue>>> objects;
    bool fails = false;
};
using ScriptObject = std::vector<std::pair<std::wstring, ScriptValue>>;

inline ScriptValue Value(WmiValue::Type type) {
    ScriptValue value;
    value.type = type;
    return value;
}
inline ScriptValue Text(std::wstring text) {
    ScriptValue value = Value(WmiValue::Type::String);
    value.text = std::move(text);
    return value;
}
inline ScriptValue Flag(bool flag) {
    ScriptValue value = Value(WmiValue::Type::Bool);
    value.flag = flag;
    return value;
}
inline ScriptValue I4(std::int32_t n) {
    ScriptValue value = Value(WmiValue::Type::Int32);
    value.number = n;
    return value;
}
inline ScriptValue UI4(std::int32_t n) {
    ScriptValue value = Value(WmiValue::Type::UInt32);
    value.number = n;
    return value;
}
inline ScriptValue Other(std::uint16_t vt) {
    ScriptValue value = Value(WmiValue::Type::Other);
    value.otherType = vt;
    return value;
}
inline ScriptValue Objects(std::vector<ScriptObject> objects) {
    ScriptValue value = Value(WmiValue::Type::ObjectArray);
    value.objects = std::move(objects);
    return value;
}
inline ScriptValue Failing() {
    ScriptValue value;
    value.fails = true;
    return value;
}

class ScriptedWmi final : public WmiPort {
public:
    WmiResult securityCode = kWmiOk;
    WmiResult locatorCode = kWmiOk;
    WmiResult connectCode = kWmiOk;
    WmiResult blanketCode = kWmiOk;
    WmiResult queryCode = kWmiOk;
    WmiResult classCode = kWmiOk;
    WmiResult spawnCode = kWmiOk;
    WmiResult putCode = kWmiOk;
    WmiResult putInstanceCode = kWmiOk;
    std::wstring machineName = L"NORVALE-PC";
    // The objects of each query, by its whole text; other queries find none.
    std::map<std::wstring, std::vector<ScriptObject>> results;

    std::vector<std::string> calls;     // in order: "security", "locator", "connect", ...
    std::vector<std::wstring> queries;  // every query text
    std::wstring connectedPath;
    std::vector<std::pair<std::wstring, std::wstring>> stored;  // instances put: property, value
    int liveLocators = 0;
    int liveServices = 0;

    WmiResult InitializeSecurity() override {
        calls.push_back("security");
        return securityCode;
    }
    std::wstring LocalMachineName() override { return machineName; }
    WmiOutcome<WmiLocator> CreateLocator() override {
        calls.push_back("locator");
        if (!WmiSucceeded(locatorCode)) return {locatorCode, nullptr};
        return {locatorCode, std::make_unique<Locator>(*this)};
    }

private:
    class Object final : public WmiObject {
    public:
        explicit Object(ScriptObject properties) : properties_(std::move(properties)) {}
        std::optional<WmiValue> Get(const std::wstring& name) override {
            for (const auto& [key, value] : properties_) {
                if (key == name) return value.fails ? std::nullopt : std::optional<WmiValue>(Make(value));
            }
            return std::nullopt;
        }

    private:
        static WmiValue Make(const ScriptValue& v) {
            switch (v.type) {
            case WmiValue::Type::Null: return WmiValue::Null();
            case WmiValue::Type::String: return WmiValue::String(v.text);
            case WmiValue::Type::Bool: return WmiValue::Bool(v.flag);
            case WmiValue::Type::Int32: return WmiValue::Int32(v.number);
            case WmiValue::Type::UInt32: return WmiValue::UInt32(static_cast<std::uint32_t>(v.number));
            case WmiValue::Type::Other: return WmiValue::OtherType(v.otherType);
            case WmiValue::Type::ObjectArray: {
                std::vector<std::unique_ptr<WmiObject>> objects;
                for (const ScriptObject& o : v.objects) objects.push_back(std::make_unique<Object>(o));
                return WmiValue::Objects(std::move(objects));
            }
            }
            return WmiValue::Null();
        }
        ScriptObject properties_;
    };

    class Rows final : public WmiEnumerator {
    public:
        explicit Rows(std::vector<ScriptObject> rows) : rows_(std::move(rows)) {}
        std::unique_ptr<WmiObject> Next() override {
            if (next_ == rows_.size()) return nullptr;
            return std::make_unique<Object>(rows_[next_++]);
        }

    private:
        std::vector<ScriptObject> rows_;
        std::size_t next_ = 0;
    };

    class Instance final : public WmiInstance {
    public:
        explicit Instance(ScriptedWmi& wmi) : wmi_(wmi) {}
        WmiResult PutString(const std::wstring& property, const std::wstring& value) override {
            wmi_.calls.push_back("put");
            if (WmiSucceeded(wmi_.putCode)) values.emplace_back(property, value);
            return wmi_.putCode;
        }
        std::vector<std::pair<std::wstring, std::wstring>> values;

    private:
        ScriptedWmi& wmi_;
    };

    class Class final : public WmiClass {
    public:
        explicit Class(ScriptedWmi& wmi) : wmi_(wmi) {}
        WmiOutcome<WmiInstance> SpawnInstance() override {
            wmi_.calls.push_back("spawn");
            if (!WmiSucceeded(wmi_.spawnCode)) return {wmi_.spawnCode, nullptr};
            return {wmi_.spawnCode, std::make_unique<Instance>(wmi_)};
        }

    private:
        ScriptedWmi& wmi_;
    };

    class Services final : public WmiServices {
    public:
        explicit Services(ScriptedWmi& wmi) : wmi_(wmi) { ++wmi_.liveServices; }
        ~Services() override { --wmi_.liveServices; }
        WmiResult SetProxyBlanket() override {
            wmi_.calls.push_back("blanket");
            return wmi_.blanketCode;
        }
        WmiOutcome<WmiEnumerator> ExecQuery(const std::wstring& wql) override {
            wmi_.queries.push_back(wql);
            if (!WmiSucceeded(wmi_.queryCode)) return {wmi_.queryCode, nullptr};
            const auto found = wmi_.results.find(wql);
            return {wmi_.queryCode,
                    std::make_unique<Rows>(found == wmi_.results.end() ? std::vector<ScriptObject>() : found->second)};
        }
        WmiOutcome<WmiClass> GetClassObject(const std::wstring& className) override {
            wmi_.calls.push_back("class " + std::string(className.begin(), className.end()));
            if (!WmiSucceeded(wmi_.classCode)) return {wmi_.classCode, nullptr};
            return {wmi_.classCode, std::make_unique<Class>(wmi_)};
        }
        WmiResult PutInstance(WmiInstance& instance) override {
            wmi_.calls.push_back("store");
            if (WmiSucceeded(wmi_.putInstanceCode)) wmi_.stored = static_cast<Instance&>(instance).values;
            return wmi_.putInstanceCode;
        }

    private:
        ScriptedWmi& wmi_;
    };

    class Locator final : public WmiLocator {
    public:
        explicit Locator(ScriptedWmi& wmi) : wmi_(wmi) { ++wmi_.liveLocators; }
        ~Locator() override { --wmi_.liveLocators; }
        WmiOutcome<WmiServices> ConnectServer(const std::wstring& path) override {
            wmi_.calls.push_back("connect");
            wmi_.connectedPath = path;
            if (!WmiSucceeded(wmi_.connectCode)) return {wmi_.connectCode, nullptr};
            return {wmi_.connectCode, std::make_unique<Services>(wmi_)};
        }

    private:
        ScriptedWmi& wmi_;
    };
};

}  // namespace norvale::test

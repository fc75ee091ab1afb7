// The WMI services the program uses, one small interface per COM object it
// touches: locator, namespace services, query enumerator, class object,
// instance. Property values come back typed, so the decisions about them
// (which texts a query yields, what is traced) stay in CWmiWrapper.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace norvale {

// The platform's result codes (HRESULT): negative on failure.
using WmiResult = std::int32_t;
inline constexpr WmiResult kWmiOk = 0;
inline constexpr WmiResult kWmiFailed = static_cast<WmiResult>(0x80004005u);    // E_FAIL
inline constexpr WmiResult kWmiSecurityAlreadySet = static_cast<WmiResult>(0x80010119u);  // RPC_E_TOO_LATE
inline constexpr WmiResult kWmiNotFound = static_cast<WmiResult>(0x80041002u);  // WBEM_E_NOT_FOUND
inline constexpr WmiResult kWmiTimedOut = static_cast<WmiResult>(0x80041069u);  // WBEM_E_TIMED_OUT
inline constexpr bool WmiSucceeded(WmiResult result) { return result >= 0; }

class WmiObject;

// One property value. Types other than those the program reads arrive as
// Other with the platform's variant type number, so a trace can name them.
struct WmiValue {
    enum class Type { Null, String, Bool, Int32, UInt32, ObjectArray, Other };

    Type type = Type::Null;
    std::wstring text;                                // String
    bool flag = false;                                // Bool
    std::int32_t int32 = 0;                           // Int32
    std::uint32_t uint32 = 0;                         // UInt32
    std::vector<std::unique_ptr<WmiObject>> objects;  // ObjectArray: embedded objects in index order
    std::uint16_t otherType = 0;                      // Other

    static WmiValue Null() { return {}; }
    static WmiValue String(std::wstring text);
    static WmiValue Bool(bool flag);
    static WmiValue Int32(std::int32_t value);
    static WmiValue UInt32(std::uint32_t value);
    static WmiValue Objects(std::vector<std::unique_ptr<WmiObject>> objects);
    static WmiValue OtherType(std::uint16_t variantType);
};

// The platform's variant type number of a value (VT_BSTR is 8, an array of
// embedded objects VT_ARRAY | VT_UNKNOWN, 8205).
std::uint16_t VariantTypeNumber(const WmiValue& value);

// An object a query returned, or one embedded in an array property.
class WmiObject {
public:
    virtual ~WmiObject() = default;
    // nullopt when the read fails (no such property, provider error).
    virtual std::optional<WmiValue> Get(const std::wstring& property) = 0;
};

template <typename T>
struct WmiOutcome {
    WmiResult code = kWmiFailed;
    std::unique_ptr<T> object;  // set exactly when code succeeded
};

// The objects of one query, read one at a time. The whole query has a time
// budget: a provider that hangs ends it early.
class WmiEnumerator {
public:
    virtual ~WmiEnumerator() = default;
    // The next object; null when there is none (the end, a failed read, or
    // the budget spent).
    virtual std::unique_ptr<WmiObject> Next() = 0;
    // The last null from Next came from the budget, not from the end.
    virtual bool TimedOut() const { return false; }
};

// A new instance of a class, filled before it is stored.
class WmiInstance {
public:
    virtual ~WmiInstance() = default;
    virtual WmiResult PutString(const std::wstring& property, const std::wstring& value) = 0;
};

// A class definition, from which instances are spawned.
class WmiClass {
public:
    virtual ~WmiClass() = default;
    virtual WmiOutcome<WmiInstance> SpawnInstance() = 0;
};

// The services of one namespace.
class WmiServices {
public:
    virtual ~WmiServices() = default;
    // The proxy blanket the oldest Windows versions need before a query.
    virtual WmiResult SetProxyBlanket() = 0;
    // WQL, forward-only and returning at once.
    virtual WmiOutcome<WmiEnumerator> ExecQuery(const std::wstring& wql) = 0;
    virtual WmiOutcome<WmiClass> GetClassObject(const std::wstring& className) = 0;
    // Stores an instance spawned from a class of these services.
    virtual WmiResult PutInstance(WmiInstance& instance) = 0;
};

class WmiLocator {
public:
    virtual ~WmiLocator() = default;
    // namespacePath: "\\machine\root\namespace"; no user, password or context.
    virtual WmiOutcome<WmiServices> ConnectServer(const std::wstring& namespacePath) = 0;
};

class WmiPort {
public:
    virtual ~WmiPort() = default;
    // The process-wide COM security (connect-level authentication,
    // impersonation); kWmiSecurityAlreadySet when it was set before.
    virtual WmiResult InitializeSecurity() = 0;
    // The local computer's name, as the namespace path names it.
    virtual std::wstring LocalMachineName() = 0;
    // A new locator of the in-process WMI server.
    virtual WmiOutcome<WmiLocator> CreateLocator() = 0;
};

}  // namespace norvale

// CWmiWrapper: the program's one way into the iSCSI initiator's WMI classes
// (root\wmi of the local machine). It connects once, when it is made, and
// answers a few queries as text and records; a wrapper that could not
// connect answers -1 to everything and adds nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/error_text_port.h"
#include "platform/core/initiator/wmi_port.h"
#include "platform/core/trace_port.h"
#include "platform/core/version/version_source_port.h"

namespace norvale {

struct TargetPortal {
    std::wstring address;
    std::int32_t port = 0;
};

struct SessionDevice {
    std::int32_t deviceNumber = 0;  // N of \\.\PhysicalDriveN
    std::wstring legacyName;
    std::int32_t partitionNumber = 0;
    std::wstring TargetName;
};

struct SessionInfo {
    std::wstring TargetName;
    std::wstring TargetAddress;  // of the last connection listed
    std::vector<SessionDevice> Devices;
};

// What a wrapper reaches: the WMI port, the version source (the proxy
// blanket depends on the Windows version) and the trace sink.
struct WmiEnvironment {
    WmiPort& port;
    VersionSourcePort& version;
    TracePort& trace;
    // The system's wording of a failed call's code, for the trace (null:
    // the code alone).
    const ErrorTextPort* errorTexts = nullptr;
};

class CWmiWrapper {
public:
    // An empty nameSpace means "wmi", an empty machine the local computer.
    explicit CWmiWrapper(const WmiEnvironment& env, const std::wstring& nameSpace = {},
                         const std::wstring& machine = {});
    CWmiWrapper(const CWmiWrapper&) = delete;
    CWmiWrapper& operator=(const CWmiWrapper&) = delete;

    bool Connected() const { return services_ != nullptr; }
    const std::wstring& NamespacePath() const { return path_; }

    // "SELECT * FROM " + classAndCondition; appends one text per object that
    // has the property in a type it converts ("NULL", the string, "TRUE" or
    // "FALSE", a fixed text for 32-bit integers). The query's result code, or
    // -1 when it cannot be run.
    WmiResult QueryPropertyValues(const std::wstring& classAndCondition,
                                  const std::wstring& property, std::vector<std::wstring>& values);
    // The same for the objects of `className` whose `whereProperty` equals
    // `whereValue` (quoted as a WQL literal). A value the query cannot carry
    // matches nothing: 0 and no texts.
    WmiResult QueryPropertyValuesWhere(const std::wstring& className,
                                       const std::wstring& whereProperty,
                                       const std::wstring& whereValue,
                                       const std::wstring& property,
                                       std::vector<std::wstring>& values);
    // Every portal of every portal group of the target, in group order.
    WmiResult QueryTargetPortals(const std::wstring& targetName, std::vector<TargetPortal>& portals);
    // Stores a new send-target portal (the provider's default port): 0, the
    // failing step's result code, or -1 when not connected.
    WmiResult AddSendTargetPortal(const std::wstring& address);
    // One record per session, with its connection's address and its disks.
    WmiResult QuerySessions(std::vector<SessionInfo>& sessions);
    // Whether the connect, a query or a store ran out of time since the last
    // call (the provider hangs); clears the mark.
    bool TakeTimedOut() { return std::exchange(timedOut_, false); }

private:
    // Runs "SELECT * FROM " + classAndCondition and hands every object to
    // `each`; the query's code or -1.
    template <typename Each>
    WmiResult ForEachObject(const std::wstring& classAndCondition, Each each);
    void AppendText(WmiObject& object, const std::wstring& property,
                    std::vector<std::wstring>& values);

    TracePort& trace_;
    const ErrorTextPort* errorTexts_;
    // A failed call's code in hex, with the system's words for it where known.
    std::wstring ResultText(WmiResult code) const;
    std::wstring path_;
    // Released services first, then the locator.
    std::unique_ptr<WmiLocator> locator_;
    std::unique_ptr<WmiServices> services_;
    bool timedOut_ = false;
};

}  // namespace norvale

#include "platform/core/initiator/wmi_wrapper.h"

#include <cwchar>
#include <optional>
#include <utility>

#include "platform/core/initiator/wql.h"
#include "platform/core/version/windows_version_reader.h"

namespace norvale {
namespace {

constexpr wchar_t kTargetClass[] = L"MSiSCSIInitiator_TargetClass";
constexpr wchar_t kSessionClass[] = L"MSiSCSIInitiator_SessionClass";
constexpr wchar_t kSendTargetPortalClass[] = L"MSiSCSIInitiator_SendTargetPortalClass";

// The embedded objects of an array property; none when the read fails or
// the value is no such array (null, for one).
std::vector<std::unique_ptr<WmiObject>> ObjectsOf(WmiObject& object, const wchar_t* property) {
    std::optional<WmiValue> value = object.Get(property);
    if (!value || value->type != WmiValue::Type::ObjectArray) return {};
    return std::move(value->objects);
}

std::optional<std::wstring> TextOf(WmiObject& object, const wchar_t* property) {
    std::optional<WmiValue> value = object.Get(property);
    if (!value) return std::nullopt;
    return value->type == WmiValue::Type::String ? value->text : std::wstring();
}

std::optional<std::int32_t> NumberOf(WmiObject& object, const wchar_t* property) {
    std::optional<WmiValue> value = object.Get(property);
    if (!value) return std::nullopt;
    if (value->type == WmiValue::Type::Int32) return value->int32;
    if (value->type == WmiValue::Type::UInt32) return static_cast<std::int32_t>(value->uint32);
    return std::nullopt;
}

// Only the oldest Windows (NT 4 and before) needs the proxy blanket; a
// version that cannot be read counts as a current one.
bool NeedsProxyBlanket(VersionSourcePort& version) {
    const std::optional<WindowsVersionInfo> info = ReadWindowsVersion(version);
    return info && info->majorVersion <= 4;
}

std::wstring HexOf(WmiResult code) {
    wchar_t text[16] = {};
    std::swprintf(text, 16, L"0x%08X", static_cast<unsigned>(code));
    return text;
}

}  // namespace

std::wstring CWmiWrapper::ResultText(WmiResult code) const {
    std::wstring text = HexOf(code);
    if (errorTexts_ != nullptr) text += L" (" + OneLineTextOf(*errorTexts_, static_cast<std::uint32_t>(code)) + L")";
    return text;
}

CWmiWrapper::CWmiWrapper(const WmiEnvironment& env, const std::wstring& nameSpace,
                         const std::wstring& machine)
    : trace_(env.trace), errorTexts_(env.errorTexts) {
    const WmiResult security = env.port.InitializeSecurity();
    if (!WmiSucceeded(security) && security != kWmiSecurityAlreadySet) return;

    WmiOutcome<WmiLocator> locator = env.port.CreateLocator();
    if (!WmiSucceeded(locator.code) || !locator.object) return;

    std::wstring host = machine.empty() ? env.port.LocalMachineName() : machine;
    // "." names the local machine too, should its name not be had.
    if (host.empty()) host = L".";
    path_ = L"\\\\" + host + L"\\root\\" + (nameSpace.empty() ? std::wstring(L"wmi") : nameSpace);
    WmiOutcome<WmiServices> services = locator.object->ConnectServer(path_);
    if (!WmiSucceeded(services.code) || !services.object) {
        timedOut_ = services.code == kWmiTimedOut;
        trace_.Trace(L"WMI: connecting to " + path_ + L" failed with " + ResultText(services.code) + L"\n");
        return;
    }

    if (NeedsProxyBlanket(env.version) && !WmiSucceeded(services.object->SetProxyBlanket())) return;
    locator_ = std::move(locator.object);
    services_ = std::move(services.object);
}

template <typename Each>
WmiResult CWmiWrapper::ForEachObject(const std::wstring& classAndCondition, Each each) {
    if (!services_) return -1;
    WmiOutcome<WmiEnumerator> query = services_->ExecQuery(L"SELECT * FROM " + classAndCondition);
    if (!WmiSucceeded(query.code) || !query.object) {
        trace_.Trace(L"WMI: SELECT * FROM " + classAndCondition + L" failed with " + ResultText(query.code) + L"\n");
        return -1;
    }
    while (std::unique_ptr<WmiObject> object = query.object->Next()) each(*object);
    if (query.object->TimedOut()) {
        // What came back so far stays; the caller tells the user.
        timedOut_ = true;
        trace_.Trace(L"WMI query did not finish in time: SELECT * FROM " + classAndCondition + L"\n");
        return kWmiTimedOut;
    }
    return query.code;
}

void CWmiWrapper::AppendText(WmiObject& object, const std::wstring& property,
                             std::vector<std::wstring>& values) {
    const std::optional<WmiValue> value = object.Get(property);
    if (!value) {
        trace_.Trace(L"Get failed on property '" + property + L"'\n");
        return;
    }
    switch (value->type) {
    case WmiValue::Type::Null: values.push_back(L"NULL"); return;
    case WmiValue::Type::String: values.push_back(value->text); return;
    case WmiValue::Type::Bool: values.push_back(value->flag ? L"TRUE" : L"FALSE"); return;
    // The callers read only texts and flags; numbers are not converted.
    case WmiValue::Type::Int32: values.push_back(L"WMIQUERY TODO : VT_I4"); return;
    case WmiValue::Type::UInt32: values.push_back(L"WMIQUERY TODO : VT_UI4"); return;
    case WmiValue::Type::ObjectArray:
    case WmiValue::Type::Other: break;
    }
    trace_.Trace(L"UNHANDLED VARIANT TYPE (" + std::to_wstring(VariantTypeNumber(*value)) + L")\n");
}

WmiResult CWmiWrapper::QueryPropertyValues(const std::wstring& classAndCondition,
                                           const std::wstring& property,
                                           std::vector<std::wstring>& values) {
    return ForEachObject(classAndCondition,
                         [&](WmiObject& object) { AppendText(object, property, values); });
}

WmiResult CWmiWrapper::QueryPropertyValuesWhere(const std::wstring& className,
                                                const std::wstring& whereProperty,
                                                const std::wstring& whereValue,
                                                const std::wstring& property,
                                                std::vector<std::wstring>& values) {
    if (!services_) return -1;
    const std::optional<std::wstring> condition = WqlWhereEquals(className, whereProperty, whereValue);
    if (!condition) return 0;
    return QueryPropertyValues(*condition, property, values);
}

WmiResult CWmiWrapper::QueryTargetPortals(const std::wstring& targetName,
                                          std::vector<TargetPortal>& portals) {
    if (!services_) return -1;
    const std::optional<std::wstring> condition = WqlWhereEquals(kTargetClass, L"TargetName", targetName);
    if (!condition) return 0;
    return ForEachObject(*condition, [&](WmiObject& target) {
        for (const std::unique_ptr<WmiObject>& group : ObjectsOf(target, L"PortalGroups")) {
            // A portal whose fields cannot be read repeats the one before it.
            TargetPortal previous;
            for (const std::unique_ptr<WmiObject>& portal : ObjectsOf(*group, L"portals")) {
                if (std::optional<std::wstring> address = TextOf(*portal, L"address"))
                    previous.address = std::move(*address);
                if (std::optional<std::int32_t> port = NumberOf(*portal, L"port")) previous.port = *port;
                portals.push_back(previous);
            }
        }
    });
}

WmiResult CWmiWrapper::AddSendTargetPortal(const std::wstring& address) {
    if (!services_) return -1;
    WmiOutcome<WmiClass> portalClass = services_->GetClassObject(kSendTargetPortalClass);
    if (!WmiSucceeded(portalClass.code)) return portalClass.code;
    if (!portalClass.object) return kWmiFailed;
    WmiOutcome<WmiInstance> portal = portalClass.object->SpawnInstance();
    if (!WmiSucceeded(portal.code)) return portal.code;
    if (!portal.object) return kWmiFailed;
    const WmiResult put = portal.object->PutString(L"PortalAddress", address);
    if (!WmiSucceeded(put)) return put;
    const WmiResult stored = services_->PutInstance(*portal.object);
    if (stored == kWmiTimedOut) timedOut_ = true;
    return WmiSucceeded(stored) ? kWmiOk : stored;
}

WmiResult CWmiWrapper::QuerySessions(std::vector<SessionInfo>& sessions) {
    return ForEachObject(kSessionClass, [&](WmiObject& object) {
        SessionInfo session;
        session.TargetName = TextOf(object, L"TargetName").value_or(std::wstring());
        for (const std::unique_ptr<WmiObject>& connection : ObjectsOf(object, L"ConnectionInformation")) {
            if (std::optional<std::wstring> address = TextOf(*connection, L"TargetAddress"))
                session.TargetAddress = std::move(*address);
        }
        for (const std::unique_ptr<WmiObject>& device : ObjectsOf(object, L"Devices")) {
            // A device without a readable disk number names no disk: taking
            // it as disk 0 would make the system disk look like an iSCSI disk.
            const std::optional<std::int32_t> number = NumberOf(*device, L"deviceNumber");
            if (!number) continue;
            SessionDevice found;
            found.deviceNumber = *number;
            found.legacyName = TextOf(*device, L"legacyName").value_or(std::wstring());
            found.partitionNumber = NumberOf(*device, L"partitionNumber").value_or(0);
            found.TargetName = TextOf(*device, L"TargetName").value_or(std::wstring());
            session.Devices.push_back(std::move(found));
        }
        sessions.push_back(std::move(session));
    });
}

}  // namespace norvale

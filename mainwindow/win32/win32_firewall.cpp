#include "mainwindow/win32/win32_firewall.h"

#include <windows.h>
// The class ids are defined here: the import libraries do not carry them.
#include <initguid.h>
#include <netfw.h>
#include <objbase.h>

#include "mainwindow/core/doctor/firewall_setup.h"
#include "platform/win32/com_handles.h"

namespace norvale::win32 {

namespace {

template <typename T>
ComRef<T> Create(REFCLSID type) {
    ComRef<T> object;
    if (FAILED(::CoCreateInstance(type, nullptr, CLSCTX_INPROC_SERVER, __uuidof(T), reinterpret_cast<void**>(object.Put())))) {
        object.Reset();
    }
    return object;
}

ComRef<INetFwPolicy2> Policy() { return Create<INetFwPolicy2>(CLSID_NetFwPolicy2); }

// XP's current profile, where INetFwPolicy2 does not exist.
ComRef<INetFwProfile> LegacyProfile() {
    ComRef<INetFwProfile> profile;
    const ComRef<INetFwMgr> manager = Create<INetFwMgr>(CLSID_NetFwMgr);
    ComRef<INetFwPolicy> policy;
    if (!manager || FAILED(manager->get_LocalPolicy(policy.Put())) || !policy ||
        FAILED(policy->get_CurrentProfile(profile.Put()))) {
        profile.Reset();
    }
    return profile;
}

std::wstring Text(BSTR text) {
    std::wstring value = text != nullptr ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
    ::SysFreeString(text);
    return value;
}

// Calls `each` for every element of a collection's enumerator.
template <typename Element, typename Each>
bool Enumerate(IUnknown* enumerable, const Each& each) {
    ComRef<IEnumVARIANT> items;
    if (enumerable == nullptr ||
        FAILED(enumerable->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(items.Put())))) {
        return false;
    }
    for (;;) {
        Variant item;
        ULONG fetched = 0;
        if (items->Next(1, item.Put(), &fetched) != S_OK || fetched == 0) return true;
        if (item.Get().vt != VT_DISPATCH || item.Get().pdispVal == nullptr) continue;
        ComRef<Element> element;
        if (SUCCEEDED(item.Get().pdispVal->QueryInterface(__uuidof(Element), reinterpret_cast<void**>(element.Put())))) {
            each(*element.Get());
        }
    }
}

FirewallRule ReadRule(INetFwRule& rule) {
    FirewallRule read;
    BSTR text = nullptr;
    if (SUCCEEDED(rule.get_Name(&text))) read.name = Text(text);
    text = nullptr;
    if (SUCCEEDED(rule.get_Grouping(&text))) read.grouping = Text(text);
    text = nullptr;
    if (SUCCEEDED(rule.get_ApplicationName(&text))) read.application = Text(text);
    text = nullptr;
    if (SUCCEEDED(rule.get_LocalPorts(&text))) read.localPorts = Text(text);
    text = nullptr;
    if (SUCCEEDED(rule.get_RemoteAddresses(&text))) read.remoteAddresses = Text(text);
    NET_FW_ACTION action = NET_FW_ACTION_ALLOW;
    if (SUCCEEDED(rule.get_Action(&action))) read.action = action == NET_FW_ACTION_BLOCK ? RuleAction::Block : RuleAction::Allow;
    VARIANT_BOOL enabled = VARIANT_TRUE;
    if (SUCCEEDED(rule.get_Enabled(&enabled))) read.enabled = enabled != VARIANT_FALSE;
    LONG number = kProtocolAny;
    if (SUCCEEDED(rule.get_Protocol(&number))) read.protocol = static_cast<int>(number);
    number = static_cast<LONG>(kAllProfiles);
    if (SUCCEEDED(rule.get_Profiles(&number))) read.profiles = static_cast<unsigned>(number) & kAllProfiles;
    return read;
}

// Every inbound rule of the policy, read, with the rule object itself.
template <typename Each>
bool ForEachInboundRule(INetFwPolicy2& policy, const Each& each) {
    ComRef<INetFwRules> rules;
    ComRef<IUnknown> enumerable;
    if (FAILED(policy.get_Rules(rules.Put())) || !rules || FAILED(rules->get__NewEnum(enumerable.Put()))) return false;
    return Enumerate<INetFwRule>(enumerable.Get(), [&each](INetFwRule& rule) {
        NET_FW_RULE_DIRECTION direction = NET_FW_RULE_DIR_IN;
        if (SUCCEEDED(rule.get_Direction(&direction)) && direction == NET_FW_RULE_DIR_IN) each(rule, ReadRule(rule));
    });
}

std::optional<std::vector<FirewallRule>> LegacyRules() {
    const ComRef<INetFwProfile> profile = LegacyProfile();
    ComRef<INetFwAuthorizedApplications> applications;
    ComRef<IUnknown> enumerable;
    if (!profile || FAILED(profile->get_AuthorizedApplications(applications.Put())) || !applications ||
        FAILED(applications->get__NewEnum(enumerable.Put()))) {
        return std::nullopt;
    }
    std::vector<FirewallRule> rules;
    const bool read = Enumerate<INetFwAuthorizedApplication>(enumerable.Get(), [&rules](INetFwAuthorizedApplication& app) {
        FirewallRule rule;
        BSTR text = nullptr;
        if (SUCCEEDED(app.get_Name(&text))) rule.name = Text(text);
        text = nullptr;
        if (SUCCEEDED(app.get_ProcessImageFileName(&text))) rule.application = Text(text);
        text = nullptr;
        if (SUCCEEDED(app.get_RemoteAddresses(&text))) rule.remoteAddresses = Text(text);
        VARIANT_BOOL enabled = VARIANT_TRUE;
        app.get_Enabled(&enabled);
        rule.action = enabled != VARIANT_FALSE ? RuleAction::Allow : RuleAction::Block;
        rules.push_back(rule);
    });
    if (!read) return std::nullopt;
    return rules;
}

}  // namespace

std::optional<unsigned> Win32Firewall::ActiveProfiles() {
    if (const ComRef<INetFwPolicy2> policy = Policy()) {
        long types = 0;
        if (FAILED(policy->get_CurrentProfileTypes(&types))) return std::nullopt;
        return static_cast<unsigned>(types) & kAllProfiles;
    }
    const ComRef<INetFwMgr> manager = Create<INetFwMgr>(CLSID_NetFwMgr);
    NET_FW_PROFILE_TYPE type = NET_FW_PROFILE_STANDARD;
    if (!manager || FAILED(manager->get_CurrentProfileType(&type))) return std::nullopt;
    return type == NET_FW_PROFILE_DOMAIN ? kProfileDomain : kProfilePrivate;
}

std::optional<FirewallProfileState> Win32Firewall::ProfileState(unsigned profile) {
    FirewallProfileState state;
    VARIANT_BOOL flag = VARIANT_FALSE;
    if (const ComRef<INetFwPolicy2> policy = Policy()) {
        const auto type = static_cast<NET_FW_PROFILE_TYPE2>(profile);
        if (SUCCEEDED(policy->get_FirewallEnabled(type, &flag))) state.enabled = flag != VARIANT_FALSE;
        if (SUCCEEDED(policy->get_BlockAllInboundTraffic(type, &flag))) state.blockAllInbound = flag != VARIANT_FALSE;
        NET_FW_ACTION action = NET_FW_ACTION_BLOCK;
        if (SUCCEEDED(policy->get_DefaultInboundAction(type, &action))) state.inboundBlockedByDefault = action == NET_FW_ACTION_BLOCK;
    } else if (const ComRef<INetFwProfile> legacy = LegacyProfile()) {
        if (SUCCEEDED(legacy->get_FirewallEnabled(&flag))) state.enabled = flag != VARIANT_FALSE;
        if (SUCCEEDED(legacy->get_ExceptionsNotAllowed(&flag))) state.blockAllInbound = flag != VARIANT_FALSE;
        state.inboundBlockedByDefault = true;  // XP's firewall lets in only what it lists
    }
    if (!state.enabled && !state.blockAllInbound && !state.inboundBlockedByDefault) return std::nullopt;
    return state;
}

std::optional<PolicyModifyState> Win32Firewall::ModifyState() {
    const ComRef<INetFwPolicy2> policy = Policy();
    NET_FW_MODIFY_STATE state = NET_FW_MODIFY_STATE_OK;
    if (!policy || FAILED(policy->get_LocalPolicyModifyState(&state))) return std::nullopt;
    switch (state) {
        case NET_FW_MODIFY_STATE_GP_OVERRIDE: return PolicyModifyState::GroupPolicyOverride;
        case NET_FW_MODIFY_STATE_INBOUND_BLOCKED: return PolicyModifyState::InboundBlockedByPolicy;
        default: return PolicyModifyState::Allowed;
    }
}

std::optional<std::vector<FirewallRule>> Win32Firewall::InboundRules() {
    const ComRef<INetFwPolicy2> policy = Policy();
    if (!policy) return LegacyRules();
    std::vector<FirewallRule> rules;
    if (!ForEachInboundRule(*policy.Get(), [&rules](INetFwRule&, const FirewallRule& rule) { rules.push_back(rule); })) {
        return std::nullopt;
    }
    return rules;
}

std::optional<std::vector<std::wstring>> Win32Firewall::OtherFirewalls() {
    // Windows 7 and later keep the register of other firewalls.
    const ComRef<INetFwProducts> products = Create<INetFwProducts>(CLSID_NetFwProducts);
    ComRef<IUnknown> enumerable;
    if (!products || FAILED(products->get__NewEnum(enumerable.Put()))) return std::nullopt;
    std::vector<std::wstring> names;
    const bool read = Enumerate<INetFwProduct>(enumerable.Get(), [&names](INetFwProduct& product) {
        BSTR name = nullptr;
        if (SUCCEEDED(product.get_DisplayName(&name))) names.push_back(Text(name));
    });
    if (!read) return std::nullopt;
    return names;
}

bool Win32Firewall::AddRule(const FirewallRule& wanted) {
    if (const ComRef<INetFwPolicy2> policy = Policy()) {
        ComRef<INetFwRules> rules;
        const ComRef<INetFwRule> rule = Create<INetFwRule>(CLSID_NetFwRule);
        if (!rule || FAILED(policy->get_Rules(rules.Put())) || !rules) return false;
        const Bstr name(wanted.name), grouping(wanted.grouping), application(wanted.application);
        const Bstr ports(wanted.localPorts), remote(wanted.remoteAddresses);
        // The protocol goes before the ports: a rule of any protocol takes none.
        const bool filled =
            SUCCEEDED(rule->put_Name(name.Get())) && SUCCEEDED(rule->put_Grouping(grouping.Get())) &&
            (wanted.application.empty() || SUCCEEDED(rule->put_ApplicationName(application.Get()))) &&
            SUCCEEDED(rule->put_Protocol(wanted.protocol)) &&
            (wanted.localPorts.empty() || SUCCEEDED(rule->put_LocalPorts(ports.Get()))) &&
            (wanted.remoteAddresses.empty() || SUCCEEDED(rule->put_RemoteAddresses(remote.Get()))) &&
            SUCCEEDED(rule->put_Direction(NET_FW_RULE_DIR_IN)) &&
            SUCCEEDED(rule->put_Action(wanted.action == RuleAction::Block ? NET_FW_ACTION_BLOCK : NET_FW_ACTION_ALLOW)) &&
            SUCCEEDED(rule->put_Enabled(wanted.enabled ? VARIANT_TRUE : VARIANT_FALSE)) &&
            SUCCEEDED(rule->put_Profiles(static_cast<long>(wanted.profiles)));
        return filled && SUCCEEDED(rules->Add(rule.Get()));
    }
    const ComRef<INetFwProfile> profile = LegacyProfile();
    ComRef<INetFwAuthorizedApplications> applications;
    const ComRef<INetFwAuthorizedApplication> app = Create<INetFwAuthorizedApplication>(CLSID_NetFwAuthorizedApplication);
    if (!profile || !app || FAILED(profile->get_AuthorizedApplications(applications.Put())) || !applications) return false;
    const Bstr name(wanted.name), path(wanted.application);
    return SUCCEEDED(app->put_Name(name.Get())) && SUCCEEDED(app->put_ProcessImageFileName(path.Get())) &&
           SUCCEEDED(app->put_Scope(NET_FW_SCOPE_LOCAL_SUBNET)) &&
           SUCCEEDED(app->put_Enabled(wanted.action == RuleAction::Allow ? VARIANT_TRUE : VARIANT_FALSE)) &&
           SUCCEEDED(applications->Add(app.Get()));
}

bool Win32Firewall::RemoveRule(const FirewallRule& unwanted) {
    if (const ComRef<INetFwPolicy2> policy = Policy()) {
        ComRef<INetFwRules> rules;
        if (FAILED(policy->get_Rules(rules.Put())) || !rules) return false;
        // Windows removes by name, and the allow and block rules its prompt
        // makes share one: the rule meant gets a name nobody else has first.
        GUID id{};
        wchar_t idText[40] = {};
        if (FAILED(::CoCreateGuid(&id)) || ::StringFromGUID2(id, idText, 40) == 0) return false;
        const Bstr unique(std::wstring(L"Norvale removes ") + idText);
        bool renamed = false;
        ForEachInboundRule(*policy.Get(), [&](INetFwRule& rule, const FirewallRule& read) {
            if (!renamed && SameRule(read, unwanted)) renamed = SUCCEEDED(rule.put_Name(unique.Get()));
        });
        return renamed && SUCCEEDED(rules->Remove(unique.Get()));
    }
    const ComRef<INetFwProfile> profile = LegacyProfile();
    ComRef<INetFwAuthorizedApplications> applications;
    if (!profile || FAILED(profile->get_AuthorizedApplications(applications.Put())) || !applications) return false;
    const Bstr path(unwanted.application);
    return SUCCEEDED(applications->Remove(path.Get()));
}

}  // namespace norvale::win32

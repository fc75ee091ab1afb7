#include "mainwindow/win32/win32_network_list.h"

#include <windows.h>
// The class ids are defined here: the import libraries do not carry them.
#include <initguid.h>
#include <netlistmgr.h>
#include <objbase.h>

#include "platform/win32/com_handles.h"

namespace norvale::win32 {

std::optional<std::vector<ConnectedNetwork>> Win32NetworkList::ConnectedNetworks() {
    ComRef<INetworkListManager> manager;
    ComRef<IEnumNetworks> networks;
    if (FAILED(::CoCreateInstance(CLSID_NetworkListManager, nullptr, CLSCTX_ALL, __uuidof(INetworkListManager),
                                  reinterpret_cast<void**>(manager.Put()))) ||
        FAILED(manager->GetNetworks(NLM_ENUM_NETWORK_CONNECTED, networks.Put())) || !networks) {
        return std::nullopt;
    }
    std::vector<ConnectedNetwork> connected;
    for (;;) {
        ComRef<INetwork> network;
        ULONG fetched = 0;
        if (networks->Next(1, network.Put(), &fetched) != S_OK || fetched == 0) break;
        ConnectedNetwork entry;
        BSTR name = nullptr;
        if (SUCCEEDED(network->GetName(&name)) && name != nullptr) entry.name.assign(name, ::SysStringLen(name));
        ::SysFreeString(name);
        NLM_NETWORK_CATEGORY category = NLM_NETWORK_CATEGORY_PUBLIC;
        if (FAILED(network->GetCategory(&category))) return std::nullopt;
        entry.category = category == NLM_NETWORK_CATEGORY_DOMAIN_AUTHENTICATED ? NetworkCategory::Domain
                         : category == NLM_NETWORK_CATEGORY_PRIVATE            ? NetworkCategory::Private
                                                                               : NetworkCategory::Public;
        connected.push_back(entry);
    }
    return connected;
}

}  // namespace norvale::win32

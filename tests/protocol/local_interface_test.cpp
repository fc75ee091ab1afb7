// What an adapter is, from the type and description Windows reports for the
// adapters users have (descriptions as Device Manager shows them).
#include <gtest/gtest.h>

#include "protocol/core/local_interface.h"

namespace norvale {
namespace {

TEST(LocalInterface, AdaptersAreToldApartByTypeAndDescription) {
    const struct {
        std::uint32_t ifType;
        const wchar_t* description;
        AdapterKind kind;
    } cases[] = {
        {6, L"Intel(R) Ethernet Connection (7) I219-V", AdapterKind::Ethernet},
        {71, L"Intel(R) Wi-Fi 6 AX201 160MHz", AdapterKind::Wireless},
        {6, L"Hyper-V Virtual Ethernet Adapter", AdapterKind::Virtual},
        {53, L"Cisco AnyConnect Secure Mobility Client Virtual Miniport Adapter", AdapterKind::Tunnel},
        {6, L"TAP-Windows Adapter V9", AdapterKind::Tunnel},
        {53, L"WireGuard Tunnel", AdapterKind::Tunnel},
        {23, L"WAN Miniport (PPTP)", AdapterKind::Tunnel},
        {131, L"Teredo Tunneling Pseudo-Interface", AdapterKind::Tunnel},
        {24, L"Software Loopback Interface 1", AdapterKind::Loopback},
        {6, L"Microsoft KM-TEST Loopback Adapter", AdapterKind::Loopback},
        {243, L"Mobile Broadband Connection", AdapterKind::Other},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClassifyAdapter(c.ifType, c.description), c.kind)
            << std::string(c.description, c.description + wcslen(c.description));
    }
}

}  // namespace
}  // namespace norvale

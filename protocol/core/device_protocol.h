// The device protocol's state and transport. One DeviceProtocol, owned by the
// application, holds what the main dialog and its sections share: the local
// address table, the client identity, the sockets, the device table, the
// selection, the name lists and the inputs of the administrator requests.
// It blocks its caller for every wait, so the dialogs call it from their
// background steps; the transport takes one caller at a time (a second
// exchange waits for the first), the data is read by the dialog's thread
// between steps.
//
// Typical use:
//   DeviceProtocol protocol(socketPort, SystemClock());
//   if (!protocol.OpenDeviceSockets()) return 1;   // sockets cannot start
//   protocol.DiscoverDevices(kDefaultSelector1, kDefaultSelector2);
//   protocol.SelectedDeviceIp = protocol.Devices().Records()[0].ipText;
//   int shares = QueryShareCount(protocol);        // device_requests.h
//   protocol.CloseDeviceSockets(true);
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/clock_port.h"
#include "protocol/core/client_id.h"
#include "protocol/core/device_list.h"
#include "protocol/core/exchange_rule.h"
#include "protocol/core/local_address_table.h"
#include "protocol/core/name_list.h"
#include "protocol/core/request_builders.h"
#include "protocol/core/socket_port.h"

namespace norvale {

class DeviceProtocol {
public:
    // Both ports must outlive the protocol. `random` seeds the client identity.
    DeviceProtocol(SocketPort& sockets, ClockPort& clock, RandomSource& random = StdRandom());
    ~DeviceProtocol();
    DeviceProtocol(const DeviceProtocol&) = delete;
    DeviceProtocol& operator=(const DeviceProtocol&) = delete;

    // Starts the socket layer, re-reads the local addresses, makes a new
    // ClientId and opens one sender and one receiver per address. False only
    // when the socket layer cannot start (the application then ends with exit
    // code 1). When the address lookup fails, the previous table and identity
    // stay. Sockets that cannot be made simply never deliver anything.
    bool OpenDeviceSockets();

    // Closes every socket; with `cleanup` also ends the use of the socket
    // layer. Refresh passes false and opens again; the exit paths pass true.
    void CloseDeviceSockets(bool cleanup);

    // Empties the device table and refills it from the DiscoverReply answers
    // of every interface, lower interface index first. Callers pass
    // kDefaultSelector1 and kDefaultSelector2. One pass covers every
    // interface at once: the request goes out on each, then one schedule of
    // polls reads them all, so a pass takes one schedule however many
    // interfaces there are. The table comes out as a pass over the
    // interfaces one after the other gives it: interface by interface,
    // each in arrival order, the first record of an address kept. An
    // interface whose receiver could not be made takes no part.
    void DiscoverDevices(std::uint8_t selector1, std::uint8_t selector2);

    // Sends `request` to the device named by SelectedDeviceIp on the interface
    // it was found on and waits for the answer `rule` describes. The matched
    // answer, or nullopt: no such device (nothing sent) or no answer in time.
    std::optional<Datagram> ExchangeRequest(const Datagram& request, const ExchangeRule& rule);

    // The record SelectedDeviceIp names, or nullptr.
    const DeviceRecord* FindSelected() const { return devices_.Find(SelectedDeviceIp); }
    DeviceRecord* FindSelected() { return devices_.Find(SelectedDeviceIp); }

    const LocalAddressTable& LocalAddresses() const { return addresses_; }
    // Whether the sockets of each interface (in the table's order) opened at
    // the last OpenDeviceSockets, with the system's error where one did not.
    // Waits for an exchange under way: call it from a step's worker.
    struct InterfaceSocketState {
        LocalInterface local;
        bool senderOpened = false;
        bool receiverOpened = false;
        int error = 0;
    };
    std::vector<InterfaceSocketState> SocketStates();
    const ClientId& Identity() const { return clientId_; }
    DeviceList& Devices() { return devices_; }
    const DeviceList& Devices() const { return devices_; }

    // The selection: the IP text of the device the user chose (at most 15
    // characters), through which every request finds its device, and the
    // address of that device's other port (name_text.h).
    std::wstring SelectedDeviceIp;
    std::wstring SelectedDeviceOtherIp;

    NameList ShareNameList;
    NameList TargetNameList;

    // Inputs of AdminLogin (UTF-8; cut to 31 and 127 bytes when sent).
    std::string AdminUserName;
    std::string AdminPassword;
    // Inputs of SetStaticAddress.
    std::wstring NewIpText;
    std::wstring NewNetmaskText;
    std::wstring NewGatewayText;

private:
    struct InterfaceSockets {
        SocketHandle sender = kNoSocket;
        SocketHandle receiver = kNoSocket;
        int error = 0;  // of the socket that could not be made
    };

    void CloseSockets();
    void Send(int interfaceIndex, const Datagram& request);
    bool WaitReadable(SocketHandle receiver, std::chrono::milliseconds timeout);
    // Reads one datagram from `receiver` into answer_; its size or -1.
    int ReadAnswer(SocketHandle receiver);
    // Reads every datagram queued on the receiver of `interfaceIndex` into
    // `found`; false when each read failed.
    bool TakeQueuedAnswers(int interfaceIndex, std::chrono::milliseconds deadline, std::uint8_t selector1,
                           std::uint8_t selector2, std::vector<DeviceRecord>& found);

    // One caller of the transport at a time.
    std::mutex transport_;
    SocketPort& sockets_;
    ClockPort& clock_;
    RandomSource& random_;
    int startups_ = 0;  // successful Startup calls not yet matched by Cleanup
    LocalAddressTable addresses_;
    ClientId clientId_{};
    std::vector<InterfaceSockets> interfaces_;
    DeviceList devices_;
    // Received bytes plus the terminating zero.
    std::vector<std::uint8_t> answer_;
};

}  // namespace norvale

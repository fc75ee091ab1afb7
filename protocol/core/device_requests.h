// The management requests. Each finds its device through
// protocol.SelectedDeviceIp, sends one datagram, waits (device_protocol.h) and
// turns the answer into a small result. None shows anything; the caller
// decides what the user is told.
#pragma once

#include "protocol/core/device_protocol.h"

namespace norvale {

// Number of shares: the answer text read by atoi rules; -1 when no answer
// came; 0 when no device is selected.
int QueryShareCount(DeviceProtocol& protocol);

// Empties ShareNameList, then fills it with the share names of the page that
// begins at `firstIndex` (0, 10, 20, ...). 1 when an answer came, else 0.
int QueryShareList(DeviceProtocol& protocol, int firstIndex);

// As QueryShareCount for targets; additionally -1 at once, without traffic,
// when SelectedDeviceIp is empty.
int QueryTargetCount(DeviceProtocol& protocol);

// Empties TargetNameList, then fills it with whole entries, as far as the
// answer carries them (the CHAP settings follow the name).
// 1 when an answer came, else 0.
int QueryTargetList(DeviceProtocol& protocol);

// Sends AdminUserName / AdminPassword. The device's login byte as a signed
// value: non-zero accepted; 0 refused, no answer or no device.
int AdminLogin(DeviceProtocol& protocol);

// Sets NewIpText / NewNetmaskText / NewGatewayText. 1 when the device answered
// from the new address: the record and SelectedDeviceIp then carry it. 0 when
// no such answer came within about 10 s or no device is selected.
int SetStaticAddress(DeviceProtocol& protocol);

// Switches the device to DHCP. 1 when it answered: the record's address and
// SelectedDeviceIp become the address it reported. 0 otherwise.
int SetDhcpClient(DeviceProtocol& protocol);

// Items are shown 10 a page: count / 10 rounded up, at least 1 (also for -1).
int PageCount(int count);
inline constexpr int kItemsPerPage = 10;

}  // namespace norvale

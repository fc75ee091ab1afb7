#include "protocol/core/exchange_rule.h"

namespace norvale {
namespace {

constexpr int kQueryMissLimit = 20;
constexpr int kLoginMissLimit = 10;
constexpr int kSettingsMissLimit = 100;

}  // namespace

std::chrono::milliseconds ExchangeRule::LongestWait() const {
    return kPollTimeout * (missLimit + 1) + kMissPause * missLimit;
}

ExchangeRule QueryRule(const std::wstring& selectedIp) {
    return {true, Opcode::QueryReply, selectedIp, kQueryMissLimit};
}

ExchangeRule LoginRule(const std::wstring& selectedIp) {
    return {false, Opcode::QueryReply, selectedIp, kLoginMissLimit};
}

ExchangeRule StaticAddressRule(const std::wstring& newIp) {
    return {false, Opcode::SetReply, newIp, kSettingsMissLimit};
}

ExchangeRule DhcpRule() { return {false, Opcode::SetReply, std::nullopt, kSettingsMissLimit}; }

}  // namespace norvale

#include "platform/core/version/windows_version_editions.h"

#include <array>

namespace norvale {
namespace {

constexpr std::array kServerEditions = {Edition::WebEdition, Edition::MemberServer, Edition::Enterprise,
                                        Edition::Datacenter, Edition::DomainController, Edition::Standard};

constexpr std::array kAllEditions = {Edition::Workstation, Edition::MemberServer, Edition::WebEdition,
                                     Edition::Enterprise,  Edition::Standard,     Edition::Datacenter,
                                     Edition::DomainController};

bool IsNt(const WindowsVersionInfo& info) { return info.platform == WindowsPlatform::Nt; }

bool IsNtVersion60(const WindowsVersionInfo& info) {
    return IsNt(info) && info.majorVersion == 6 && info.minorVersion == 0;
}

bool IsNtVersion61OrLater(const WindowsVersionInfo& info) {
    return IsNt(info) && (info.majorVersion > 6 || (info.majorVersion == 6 && info.minorVersion != 0));
}

template <typename Test, typename Editions>
bool AnyEdition(const Editions& editions, Test test) {
    for (const Edition edition : editions) {
        if (test(edition)) return true;
    }
    return false;
}

}  // namespace

bool MeetsEdition(const WindowsVersionInfo& info, Edition edition) {
    switch (edition) {
        case Edition::Workstation: return info.productType == ProductType::Workstation;
        case Edition::MemberServer: return info.productType == ProductType::Server;
        case Edition::WebEdition: return info.Has(suite_mark::kWeb);
        case Edition::Enterprise: return info.Has(suite_mark::kEnterprise);
        case Edition::Standard: return info.HasStandardMark();
        case Edition::Datacenter: return info.Has(suite_mark::kDatacenter);
        case Edition::DomainController: return info.productType == ProductType::DomainController;
    }
    return false;
}

bool IsOlderNt(const WindowsVersionInfo& info) {
    return IsNt(info) && (info.majorVersion <= 4 || (info.majorVersion == 5 && info.minorVersion == 0));
}

bool IsXpFamily(const WindowsVersionInfo& info) {
    return IsNt(info) && info.majorVersion == 5 && info.minorVersion != 0;
}

bool IsXpClient(const WindowsVersionInfo& info) {
    return IsXpFamily(info) &&
           (info.Has(suite_mark::kPersonal) || info.productType == ProductType::Workstation);
}

bool IsXpFamilyServerEdition(const WindowsVersionInfo& info, Edition edition, bool withR2) {
    return edition != Edition::Workstation && IsXpFamily(info) && MeetsEdition(info, edition) &&
           info.Has(suite_mark::kR2) == withR2;
}

bool IsXpFamilyServer(const WindowsVersionInfo& info, bool withR2) {
    return AnyEdition(kServerEditions, [&](Edition e) { return IsXpFamilyServerEdition(info, e, withR2); });
}

bool IsVersion60Edition(const WindowsVersionInfo& info, Edition edition) {
    return IsNtVersion60(info) && MeetsEdition(info, edition);
}

bool IsVersion61OrLaterEdition(const WindowsVersionInfo& info, Edition edition) {
    return IsNtVersion61OrLater(info) && MeetsEdition(info, edition);
}

bool IsVersion60(const WindowsVersionInfo& info) {
    return AnyEdition(kAllEditions, [&](Edition e) { return IsVersion60Edition(info, e); });
}

bool IsVersion61OrLater(const WindowsVersionInfo& info) {
    return AnyEdition(kAllEditions, [&](Edition e) { return IsVersion61OrLaterEdition(info, e); });
}

bool IsVistaOrLater(const WindowsVersionInfo& info) { return IsVersion60(info) || IsVersion61OrLater(info); }

bool IsVistaOrLaterServerEdition(const WindowsVersionInfo& info) {
    return AnyEdition(kServerEditions, [&](Edition e) {
        return IsVersion60Edition(info, e) || IsVersion61OrLaterEdition(info, e);
    });
}

}  // namespace norvale

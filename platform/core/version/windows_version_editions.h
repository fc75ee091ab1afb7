// The version tests the program's behaviour is chosen by. Each asks one
// question of a filled WindowsVersionInfo; callers combine them.
#pragma once

#include "platform/core/version/windows_version_info.h"

namespace norvale {

// The edition conditions shared by the server-family and 6.x tests.
enum class Edition {
    Workstation,       // productType workstation (6.x tests only)
    MemberServer,      // productType server
    WebEdition,        // Web mark
    Enterprise,        // Enterprise mark
    Standard,          // Standard mark
    Datacenter,        // Datacenter mark
    DomainController,  // productType domain controller
};

// True when the record meets the edition's condition, whatever the version.
bool MeetsEdition(const WindowsVersionInfo& info, Edition edition);

// NT 4 or earlier, or Windows 2000.
bool IsOlderNt(const WindowsVersionInfo& info);
// NT 5.1 (Windows XP) and 5.2 (XP x64, Server 2003).
bool IsXpFamily(const WindowsVersionInfo& info);
// An XP-family workstation, or any XP-family system with the Personal mark.
bool IsXpClient(const WindowsVersionInfo& info);

// XP family with the edition's condition, and the R2 mark present exactly when
// withR2 is true. Edition::Workstation never matches here.
bool IsXpFamilyServerEdition(const WindowsVersionInfo& info, Edition edition, bool withR2);
// Any of the six server editions, R2 mark absent or present as asked.
bool IsXpFamilyServer(const WindowsVersionInfo& info, bool withR2);

// NT 6.0 with the edition's condition.
bool IsVersion60Edition(const WindowsVersionInfo& info, Edition edition);
// NT 6.1 or later (any major above 6 counts) with the edition's condition.
bool IsVersion61OrLaterEdition(const WindowsVersionInfo& info, Edition edition);
// Any of the seven version 6.0 tests, and any of the seven 6.1-or-later tests.
bool IsVersion60(const WindowsVersionInfo& info);
bool IsVersion61OrLater(const WindowsVersionInfo& info);

// Any of the fourteen 6.x tests: NT 6.0 or later.
bool IsVistaOrLater(const WindowsVersionInfo& info);
// Any 6.x test other than the two workstation tests. A workstation that
// carries the Enterprise mark (Windows 7 Enterprise) counts.
bool IsVistaOrLaterServerEdition(const WindowsVersionInfo& info);

// The individual tests by name, for callers that ask for one edition.
inline bool IsXpFamilyWebEdition(const WindowsVersionInfo& i) { return IsXpFamilyServerEdition(i, Edition::WebEdition, false); }
inline bool IsXpFamilyWebEditionR2(const WindowsVersionInfo& i) { return IsXpFamilyServerEdition(i, Edition::WebEdition, true); }
inline bool IsXpFamilyMemberServer(const WindowsVersionInfo& i) { return IsXpFamilyServerEdition(i, Edition::MemberServer, false); }
inline bool IsXpFamilyMemberServerR2(const WindowsVersionInfo& i) { return IsXpFamilyServerEdition(i, Edition::MemberServer, true); }
inline bool IsXpFamilyEnterprise(const WindowsVersionInfo& i) { return IsXpFamilyServerEdition(i, Edition::Enterprise, false); }
inline bool IsXpFamilyEnterpriseR2(const WindowsVersionInfo& i) { return IsXpFamilyServerEdition(i, Edition::Enterprise, true); }
inline bool IsXpFamilyDatacenter(const WindowsVersionInfo& i) { return IsXpFamilyServerEdition(i, Edition::Datacenter, false); }
inline bool IsXpFamilyDatacenterR2(const WindowsVersionInfo& i) { return IsXpFamilyServerEdition(i, Edition::Datacenter, true); }
inline bool IsXpFamilyDomainController(const WindowsVersionInfo& i) { return IsXpFamilyServerEdition(i, Edition::DomainController, false); }
inline bool IsXpFamilyDomainControllerR2(const WindowsVersionInfo& i) { return IsXpFamilyServerEdition(i, Edition::DomainController, true); }
inline bool IsXpFamilyStandard(const WindowsVersionInfo& i) { return IsXpFamilyServerEdition(i, Edition::Standard, false); }
inline bool IsXpFamilyStandardR2(const WindowsVersionInfo& i) { return IsXpFamilyServerEdition(i, Edition::Standard, true); }

inline bool IsVersion60Workstation(const WindowsVersionInfo& i) { return IsVersion60Edition(i, Edition::Workstation); }
inline bool IsVersion60MemberServer(const WindowsVersionInfo& i) { return IsVersion60Edition(i, Edition::MemberServer); }
inline bool IsVersion60WebEdition(const WindowsVersionInfo& i) { return IsVersion60Edition(i, Edition::WebEdition); }
inline bool IsVersion60Enterprise(const WindowsVersionInfo& i) { return IsVersion60Edition(i, Edition::Enterprise); }
inline bool IsVersion60Standard(const WindowsVersionInfo& i) { return IsVersion60Edition(i, Edition::Standard); }
inline bool IsVersion60Datacenter(const WindowsVersionInfo& i) { return IsVersion60Edition(i, Edition::Datacenter); }
inline bool IsVersion60DomainController(const WindowsVersionInfo& i) { return IsVersion60Edition(i, Edition::DomainController); }

inline bool IsVersion61OrLaterWorkstation(const WindowsVersionInfo& i) { return IsVersion61OrLaterEdition(i, Edition::Workstation); }
inline bool IsVersion61OrLaterMemberServer(const WindowsVersionInfo& i) { return IsVersion61OrLaterEdition(i, Edition::MemberServer); }
inline bool IsVersion61OrLaterWebEdition(const WindowsVersionInfo& i) { return IsVersion61OrLaterEdition(i, Edition::WebEdition); }
inline bool IsVersion61OrLaterEnterprise(const WindowsVersionInfo& i) { return IsVersion61OrLaterEdition(i, Edition::Enterprise); }
inline bool IsVersion61OrLaterStandard(const WindowsVersionInfo& i) { return IsVersion61OrLaterEdition(i, Edition::Standard); }
inline bool IsVersion61OrLaterDatacenter(const WindowsVersionInfo& i) { return IsVersion61OrLaterEdition(i, Edition::Datacenter); }
inline bool IsVersion61OrLaterDomainController(const WindowsVersionInfo& i) { return IsVersion61OrLaterEdition(i, Edition::DomainController); }

}  // namespace norvale

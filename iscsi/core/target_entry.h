// One TargetNameList entry as the appliance sends it:
// name "|" CHAP flag "@" user name "$" Base64 password.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/core/secret_text.h"

namespace norvale {

struct DeviceTargetEntry {
    // The name as listed, up to the first "|"; empty when there is none.
    std::wstring listedName;
    // The iSCSI name the initiator knows the target by: iSCSI names have no
    // "_", the appliance lists "-" as "_".
    std::wstring name;
    std::wstring chapFlag;  // up to the first "@"; empty without one
    // User name and password stay exactly as sent: a user name such as
    // "chap_user" must reach the target unchanged.
    std::wstring userName;        // after "@" up to the first "$"; empty without one
    SecretText encodedPassword;   // the rest after "$", still Base64

    bool ChapRequired() const { return chapFlag == L"1"; }
};

DeviceTargetEntry SplitTargetEntry(std::wstring_view entry);

// The first entry whose name equals targetName ignoring case; entries
// without a name never match. nullptr when none does.
const std::wstring* FindTargetEntry(const std::vector<std::wstring>& entries,
                                    std::wstring_view targetName);

// What the target list shows of a name: the part after its first ":", or
// the whole name when it has none.
std::wstring ShownTargetName(std::wstring_view name);
// The part up to and including the first ":"; empty when there is none.
std::wstring TargetNamePrefix(std::wstring_view name);

}  // namespace norvale

// An appliance's target list as the program takes it apart: split at "=",
// each entry split into name and CHAP settings, the password decoded, and
// the name, user and secret judged for a command line.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "iscsi/core/base64.h"
#include "iscsi/core/target_entry.h"
#include "platform/core/initiator/iscsi_name.h"
#include "protocol/core/name_list.h"
#include "protocol/core/protocol_constants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace norvale;
    NameList list;
    FillNameList(list, std::string_view(reinterpret_cast<const char*>(data), size), kTargetSeparator,
                 kMaxTargetEntryChars);
    for (const std::wstring& entry : list.Names()) {
        const DeviceTargetEntry split = SplitTargetEntry(entry);
        (void)ShownTargetName(split.listedName);
        (void)TargetNamePrefix(split.listedName);
        const SecretText secret = CBase64::Decode(split.encodedPassword.Reveal());
        (void)IscsiNameProblem(split.name);
        (void)IsChapUserName(split.userName);
        std::wstring argument = ChapSecretArgument(secret.Reveal());
        WipeText(argument);
        (void)FindTargetEntry(list.Names(), split.name);
    }
    return 0;
}

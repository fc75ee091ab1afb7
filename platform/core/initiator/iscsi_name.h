// What may stand where an iSCSI name or a CHAP credential goes: values the
// appliance sends reach an elevated command line and WMI queries, so only the
// shapes iSCSI itself defines get through.
#pragma once

#include <string>
#include <string_view>

namespace norvale {

// The longest iSCSI name, in bytes.
inline constexpr std::size_t kIscsiNameMaxBytes = 223;

// Why a target name is not an iSCSI name ("iqn." date "." naming authority
// [":" anything], "eui." 16 hex digits, "naa." 16 or 32 hex digits; letters,
// digits, "-", "." and ":" only; letter case ignored; at most 223 bytes).
// Empty when it is one. The reason never repeats the name.
std::wstring IscsiNameProblem(std::wstring_view name);
inline bool IsIscsiName(std::wstring_view name) { return IscsiNameProblem(name).empty(); }

// A CHAP user name: printable ASCII without blanks or double quotes, and not
// the lone "*" that iscsicli reads as "no user name".
bool IsChapUserName(std::wstring_view userName);

// iscsicli takes a secret that begins with "0x" as hexadecimal: every secret
// is handed over that way, so none is read differently from what the user
// typed and no character of it can end up on the command line. For
// a character that is not one byte (the appliance's secrets are bytes),
// an empty text is returned.
std::wstring ChapSecretArgument(std::wstring_view secret);

}  // namespace norvale

// How the iSCSI group compares names: iSCSI names and the initiator's
// answers ignore letter case, and the list keeps names in upper case.
#pragma once

#include <string>
#include <string_view>

namespace norvale {

bool SameIgnoringCase(std::wstring_view a, std::wstring_view b);
std::wstring UpperCase(std::wstring_view text);
// Without leading and trailing white space.
std::wstring_view Trimmed(std::wstring_view text);

}  // namespace norvale

// One ShareNameList entry: a share name with an optional lock mark behind
// it, "name*flag" or "name@flag".
#pragma once

#include <string>
#include <string_view>

namespace norvale {

struct ShareEntry {
    std::wstring name;
    bool locked = false;
};

// "name*flag": locked unless the flag is "0" (a missing or other flag locks).
// "name@flag", where no "*" mark applies: locked for "1", open for "0"; any
// other flag makes the whole entry a plain name. A mark in the first
// character is no mark. Plain names are never locked.
ShareEntry ParseShareEntry(std::wstring_view entry);

// Share and server names as Windows compares them: ignoring case.
bool SameNameIgnoringCase(std::wstring_view a, std::wstring_view b);

}  // namespace norvale

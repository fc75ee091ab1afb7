// ShareNameList and TargetNameList: the names of one query answer, in order,
// without duplicates (exact, case-sensitive comparison).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace norvale {

class NameList {
public:
    // Appends `name` unless an equal entry exists; true when appended.
    bool Append(std::wstring name);
    bool Contains(const std::wstring& name) const;
    void Clear() { names_.clear(); }
    std::size_t Count() const { return names_.size(); }
    bool Empty() const { return names_.empty(); }
    const std::vector<std::wstring>& Names() const { return names_; }

private:
    std::vector<std::wstring> names_;
};

inline constexpr char kShareSeparator = ':';
inline constexpr char kTargetSeparator = '=';

// Cuts UTF-8 `text` at every `separator` the way strtok does (runs of
// separators count as one, empty pieces are skipped), converts each piece to
// wide text cut to `maxChars`, and appends it to `list` unless already there.
void FillNameList(NameList& list, std::string_view text, char separator, std::size_t maxChars);

}  // namespace norvale

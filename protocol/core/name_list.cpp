#include "protocol/core/name_list.h"

#include <algorithm>
#include <utility>

#include "platform/core/utf8.h"

namespace norvale {

bool NameList::Append(std::wstring name) {
    if (Contains(name)) return false;
    names_.push_back(std::move(name));
    return true;
}

bool NameList::Contains(const std::wstring& name) const {
    return std::find(names_.begin(), names_.end(), name) != names_.end();
}

void FillNameList(NameList& list, std::string_view text, char separator, std::size_t maxChars) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] == separator) {
            ++pos;
            continue;
        }
        std::size_t end = text.find(separator, pos);
        if (end == std::string_view::npos) end = text.size();
        list.Append(TruncateWide(Utf8ToWide(text.substr(pos, end - pos)), maxChars));
        pos = end;
    }
}

}  // namespace norvale

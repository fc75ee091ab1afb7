#include "disk/core/disk_texts.h"

#include "platform/core/texts/norvale_texts.h"

namespace norvale::disk_text {

std::wstring FillText(std::wstring text, long long number, const std::wstring& word) {
    // The number first, so that a %d inside the inserted word stays as it is.
    if (const std::size_t at = text.find(L"%d"); at != std::wstring::npos) {
        text.replace(at, 2, std::to_wstring(number));
    }
    if (const std::size_t at = text.find(L"%s"); at != std::wstring::npos) text.replace(at, 2, word);
    return text;
}

std::wstring DiskNotOfTargetText(long long disk) { return FillText(UiText(kDiskNotOfTarget), disk); }

std::wstring NoLetterInTimeText() { return UiText(kNoLetterInTime); }

std::wstring ScriptFileRefusedText(const std::wstring& scriptPath) {
    return FillText(UiText(kScriptFileRefused), 0, scriptPath);
}

}  // namespace norvale::disk_text

// Texts from outside that the disk half takes apart: diskpart's output (the
// delete-run check), volume GUID paths and DOS device names from the volume
// functions, drive letters from combo items, and disk texts written into
// scripts. None may crash, and a script text built from them never carries
// a line the program did not mean to write.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "disk/core/scripts/disk_scripts.h"
#include "disk/core/inventory/volume_names.h"

using namespace norvale;

namespace {

std::size_t Count(const std::string& text, char c) {
    std::size_t n = 0;
    for (const char x : text) n += x == c ? 1 : 0;
    return n;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2) text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));

    if (const auto warning = DeleteRunWarning(text)) {
        Check(!warning->empty() && (*warning)[0] == L':');
        Check(text.size() >= warning->size());
    }
    if (const auto name = DosNameOfVolume(text)) {
        Check(!name->empty() && name->find(L'\\') == std::wstring::npos);
    }
    if (const auto letter = DriveLetterOf(text)) Check(*letter >= L'A' && *letter <= L'Z');

    if (const auto online = OnlineScriptText(text)) Check(Count(*online, '\n') == 3);
    const wchar_t letter = text.empty() ? L'E' : text.back();
    if (const auto assign = AssignScriptText(text, 1, letter)) {
        Check(Count(*assign, '\n') == 3 && assign->back() >= 'A' && assign->back() <= 'Z');
    }
    if (const auto first = AssignFirstScriptText(text, letter)) Check(Count(*first, '\n') == 3);
    return 0;
}

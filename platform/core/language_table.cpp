#include "platform/core/language_table.h"

#include <atomic>
#include <optional>

#include "platform/core/string_block.h"
#include "platform/core/system_language_port.h"
#include "platform/core/text_pack.h"

namespace norvale {
namespace {

// Forwards to the platform's resources, or to the port a test installed.
class ProgramResources final : public ResourcePort {
public:
    std::optional<ResourceBytes> Find(std::uint16_t type, std::uint16_t name,
                                      std::uint16_t languageId) const override {
        const ResourcePort* installed = installed_.load(std::memory_order_acquire);
        const ResourcePort& resources = installed != nullptr ? *installed : PlatformResourcePort();
        return resources.Find(type, name, languageId);
    }

    void Install(const ResourcePort* resources) { installed_.store(resources, std::memory_order_release); }

private:
    std::atomic<const ResourcePort*> installed_{nullptr};
};

// The languages whose own texts are used, in the order they are compared; the
// first equal id decides. English is not among them: it is the fallback, and
// so is every language not listed, Portuguese (Portugal) included. An entry's
// texts are stored once, under its first id; an id whose texts differ from
// the entry's (Simplified Chinese, 2052) has texts of its own.
struct LanguageEntry {
    std::uint16_t ids[4];
};

constexpr LanguageEntry kLanguageEntries[] = {
    {{1029}},                    // Czech
    {{1030}},                    // Danish
    {{1043, 2067}},              // Dutch
    {{1035}},                    // Finnish
    {{1036, 2060, 3084, 4108}},  // French
    {{1031, 2055, 3079}},        // German
    {{1032}},                    // Greek
    {{1038}},                    // Hungarian
    {{1039}},                    // Icelandic
    {{1040, 2064}},              // Italian
    {{1044, 2068}},              // Norwegian
    {{1045}},                    // Polish
    {{1046}},                    // Portuguese (Brazil)
    {{1049}},                    // Russian
    {{1051}},                    // Slovak
    {{1034, 2058, 3082}},        // Spanish
    {{1053}},                    // Swedish
    {{1055}},                    // Turkish
    {{1041}},                    // Japanese
    {{1028, 2052, 3076}},        // Chinese: Traditional, Simplified, Traditional (Hong Kong)
};

const LanguageEntry* EntryOf(std::uint16_t languageId) {
    for (const LanguageEntry& entry : kLanguageEntries) {
        for (std::uint16_t id : entry.ids) {
            if (id != 0 && id == languageId) return &entry;
        }
    }
    return nullptr;
}

// A text in exactly `languageId`: from a string-table block, else from the
// language's deflated pack.
std::optional<std::wstring> FindText(const ResourcePort& resources, unsigned stringId, std::uint16_t languageId) {
    if (auto text = FindStringResource(resources, stringId, languageId)) return text;
    return FindPackedText(resources, stringId, languageId);
}

ProgramResources& TheProgramResources() {
    static ProgramResources resources;
    return resources;
}

}  // namespace

CLanguageTable& CLanguageTable::Instance() {
    static CLanguageTable table(TheProgramResources());
    return table;
}

void CLanguageTable::InstallResourcesForTesting(const ResourcePort* resources) {
    TheProgramResources().Install(resources);
}

CLanguageTable::CLanguageTable(const ResourcePort& resources) : resources_(resources) {}

bool CLanguageTable::IsTableLanguage(std::uint16_t languageId) { return EntryOf(languageId) != nullptr; }

std::wstring CLanguageTable::LoadText(std::uint16_t languageId, unsigned stringId) const {
    if (const LanguageEntry* entry = EntryOf(languageId)) {
        if (auto text = FindText(resources_, stringId, languageId)) return std::move(*text);
        const std::uint16_t first = entry->ids[0];
        if (first != languageId) {
            if (auto text = FindText(resources_, stringId, first)) return std::move(*text);
        }
    }
    return FindStringResource(resources_, stringId, kLanguageEnglishUs).value_or(std::wstring());
}

}  // namespace norvale

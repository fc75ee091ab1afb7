// The one loader of user-visible texts. It returns a text in the requested
// language when that language is one of the table's and the string table
// holds a text for it there; otherwise the English (United States) text;
// otherwise an empty text. Callers pass the system default language id.
#pragma once

#include <cstdint>
#include <string>

#include "platform/core/resource_port.h"

namespace norvale {

class CLanguageTable {
public:
    // The process-wide table over the program's own resources, built on the
    // first call. Start-up makes that call before any other thread exists;
    // afterwards the table is read-only and may be used from any thread.
    static CLanguageTable& Instance();

    // Test seam: until called again with nullptr, the process-wide table reads
    // `resources` instead of the platform's. Swap only while no text is loading.
    static void InstallResourcesForTesting(const ResourcePort* resources);

    // A table over `resources`, which must outlive it.
    explicit CLanguageTable(const ResourcePort& resources);

    CLanguageTable(const CLanguageTable&) = delete;
    CLanguageTable& operator=(const CLanguageTable&) = delete;

    // A new string on every call; never cached. Empty when neither the
    // language nor English holds a text for `stringId`.
    std::wstring LoadText(std::uint16_t languageId, unsigned stringId) const;

    // True when `languageId` equals one of the table's ids. English is not
    // among them: it is the fallback.
    static bool IsTableLanguage(std::uint16_t languageId);

private:
    const ResourcePort& resources_;
};

}  // namespace norvale

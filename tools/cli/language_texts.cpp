#include "tools/cli/language_texts.h"

#include "platform/core/language_table.h"
#include "platform/core/system_language_port.h"

namespace norvale::cli {

MessageTexts LanguageTexts() {
    return [](unsigned stringId) {
        // A console tool's output is read by scripts and support staff:
        // it stays English whatever the system's language.
        return CLanguageTable::Instance().LoadText(kLanguageEnglishUs, stringId);
    };
}

}  // namespace norvale::cli

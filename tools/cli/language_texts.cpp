#include "tools/cli/language_texts.h"

#include "platform/core/language_table.h"
#include "platform/core/system_language_port.h"

namespace norvale::cli {

MessageTexts LanguageTexts() {
    return [](unsigned stringId) {
        // The language is read at each call, as everywhere in the program.
        return CLanguageTable::Instance().LoadText(PlatformSystemLanguage().SystemDefaultLanguage(),
                                                   stringId);
    };
}

}  // namespace norvale::cli

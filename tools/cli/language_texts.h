// The string table in the system's language, as the dialog reads it.
#pragma once

#include "tools/cli/cli_environment.h"

namespace norvale::cli {

MessageTexts LanguageTexts();

}  // namespace norvale::cli

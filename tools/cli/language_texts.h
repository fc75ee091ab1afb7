// The string table's English texts, which the console tool prints.
#pragma once

#include "tools/cli/cli_environment.h"

namespace norvale::cli {

MessageTexts LanguageTexts();

}  // namespace norvale::cli

// Fresh table identities from the standard library's random device (on
// Windows the system's cryptographic generator): version-4 GUIDs and non-zero
// MBR signatures, for the steps that have no system source of their own.
#pragma once

#include "disk/core/partition/id_source_port.h"

namespace norvale {

// One per program; safe to use from the dialogs' thread only.
IdSourcePort& RandomIds();

}  // namespace norvale

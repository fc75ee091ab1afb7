// Which MSiSCSI_ConnectionStatistics instance tells whether a target is
// connected. Some Windows versions name an instance after its target with a
// connection number behind a "_"; there the instance is found by the part
// before the "_", elsewhere it carries the target's name itself.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/core/version/windows_version_info.h"

namespace norvale {

// Prefix matching on every NT 6.1 or later: some of its releases suffix the
// instance names, and the match is right where they do not.
bool UsesStatisticsPrefixMatching(const WindowsVersionInfo& version);

// The InstanceName to read `Active` of. With prefix matching: the first of
// `instanceNames` (sorted) whose text before its first "_" equals the target
// name ignoring case, else the target name itself; nothing when there are no
// instances at all. Without: the target name.
std::optional<std::wstring> StatisticsInstanceFor(const std::wstring& targetName,
                                                  const std::vector<std::wstring>& instanceNames,
                                                  bool prefixMatching);

}  // namespace norvale

// String-table ids of the format wizard's texts.
#pragma once

namespace norvale::wizard_text {

inline constexpr unsigned kTitle = 102;         // caption of the wizard's own messages
inline constexpr unsigned kWizardOption = 124;  // group box
inline constexpr unsigned kPartitionSize = 136;
inline constexpr unsigned kFormatType = 137;
inline constexpr unsigned kDriveLetter = 138;
inline constexpr unsigned kMaximumSpace = 139;
inline constexpr unsigned kNtfs = 141;
inline constexpr unsigned kFat32 = 142;
inline constexpr unsigned kTarget = 146;
inline constexpr unsigned kOk = 155;
inline constexpr unsigned kCancel = 156;
inline constexpr unsigned kFormat = 157;  // the dialog's title
inline constexpr unsigned kFat32TooLarge = 207;
inline constexpr unsigned kFat32TooSmall = 208;
inline constexpr unsigned kDeleteMountFailed = 209;
inline constexpr unsigned kNoFormatType = 211;
inline constexpr unsigned kInvalidVolume = 212;
inline constexpr unsigned kPercent = 214;  // "Percent Completed ...%d"
inline constexpr unsigned kCannotPartition = 222;
inline constexpr unsigned kSizeTooSmall = 223;
inline constexpr unsigned kNotASize = 224;
inline constexpr unsigned kDiskUnavailable = 228;
inline constexpr unsigned kAvailable = 232;  // "Megabytes (Avaliable: %ld MB)"
inline constexpr unsigned kCaptionWarning = 236;
inline constexpr unsigned kWaitingForOs = 245;
inline constexpr unsigned kSetMountFailed = 246;
inline constexpr unsigned kOver2Tb = 250;
inline constexpr unsigned kSizeAboveDisk = 251;  // "... less than %dMb"
inline constexpr unsigned kNoFreeLetter = 261;
// The new disk never reported its size within the bound of the wizard's start.
inline constexpr unsigned kNoDiskSize = 273;
// The disk already holds partitions: the wizard writes nothing and hands over.
inline constexpr unsigned kHoldsPartitions = 274;
// The reserved partition of a new GPT table never arrived.
inline constexpr unsigned kNoReservedPartition = 277;

}  // namespace norvale::wizard_text

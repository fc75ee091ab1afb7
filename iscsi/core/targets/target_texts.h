// The string-table texts of the iSCSI group, its notices and the CHAP dialog.
#pragma once

namespace norvale::target_text {

inline constexpr unsigned kTitle = 102;
inline constexpr unsigned kChapGroup = 121;          // "CHAP Authentication"
inline constexpr unsigned kInstallNotice = 132;      // the initiator is not installed
inline constexpr unsigned kUserNameLabel = 135;      // "Username"
inline constexpr unsigned kServiceStarting = 144;    // "Windows is trying to start the following service..."
inline constexpr unsigned kServiceName = 145;        // "Microsoft iSCSI Initiator Service"
inline constexpr unsigned kConnect = 150;
inline constexpr unsigned kDisconnect = 151;
inline constexpr unsigned kOk = 155;
inline constexpr unsigned kCancel = 156;
inline constexpr unsigned kYes = 181;                // "YES" in the Active column
inline constexpr unsigned kPortalFailed = 203;
inline constexpr unsigned kLoginFailed = 204;
inline constexpr unsigned kSelectTarget = 205;
inline constexpr unsigned kPasswordLength = 216;
inline constexpr unsigned kUserNameEmpty = 217;
inline constexpr unsigned kPasswordEmpty = 218;
inline constexpr unsigned kUserNameWrong = 219;
inline constexpr unsigned kPasswordWrong = 220;
inline constexpr unsigned kBothWrong = 221;
inline constexpr unsigned kCaptionWarning = 236;
inline constexpr unsigned kActiveYes = 237;          // "yes", compared ignoring case
inline constexpr unsigned kNo = 238;                 // "NO" in the Active column
inline constexpr unsigned kInstallerMissing = 243;   // "The %s does not exist in\n"
inline constexpr unsigned kInstallerCopy = 244;      // "Please copy or move %s to the above folder."
inline constexpr unsigned kNoTargets = 248;
inline constexpr unsigned kPasswordLabel = 253;
inline constexpr unsigned kNoLun = 260;
inline constexpr unsigned kNoInitiatorName = 262;    // the initiator reports no name to log in with
inline constexpr unsigned kChapUserRefused = 280;    // the device's CHAP user name cannot go on a command line
inline constexpr unsigned kWmiTimedOut = 281;        // the initiator's WMI provider did not answer in time
inline constexpr unsigned kServiceStartTimedOut = 282;  // the initiator service did not finish starting
inline constexpr unsigned kServiceDisabled = 290;    // MSiSCSI's start type is Disabled
inline constexpr unsigned kNeedsAdministrator = 291; // "Run as administrator"

}  // namespace norvale::target_text

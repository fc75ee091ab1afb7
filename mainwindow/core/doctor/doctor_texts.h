// The string-table ids of the discovery doctor's texts.
#pragma once

namespace norvale::doctor_text {

inline constexpr unsigned kTitle = 294;
inline constexpr unsigned kIntro = 295;
inline constexpr unsigned kFixFirewall = 296;
inline constexpr unsigned kNetworkSettings = 297;
inline constexpr unsigned kSearchAgain = 298;
inline constexpr unsigned kDiagnostics = 299;
inline constexpr unsigned kCopyReport = 300;
inline constexpr unsigned kClose = 301;
inline constexpr unsigned kMenuItem = 302;
inline constexpr unsigned kChecking = 303;
inline constexpr unsigned kUnnamedNetwork = 304;

// The findings, most likely cause first.
inline constexpr unsigned kNoAdapterUp = 310;
inline constexpr unsigned kNoIpv4 = 311;
inline constexpr unsigned kApipaOnly = 312;
inline constexpr unsigned kSocketFailed = 313;
inline constexpr unsigned kBlockRule = 314;
inline constexpr unsigned kBlockAllInbound = 315;
inline constexpr unsigned kNoAllowRule = 316;
inline constexpr unsigned kPolicyLocked = 317;
inline constexpr unsigned kOtherFirewall = 318;
inline constexpr unsigned kPublicNetwork = 319;
inline constexpr unsigned kVirtualAdapters = 320;
inline constexpr unsigned kAllClear = 321;
inline constexpr unsigned kNotRead = 322;
inline constexpr unsigned kAdaptersSubject = 323;
inline constexpr unsigned kProfilesSubject = 324;
inline constexpr unsigned kRulesSubject = 325;
inline constexpr unsigned kNetworksSubject = 326;
inline constexpr unsigned kProductsSubject = 327;

// What was checked and found in order.
inline constexpr unsigned kListening = 330;
inline constexpr unsigned kFirewallOn = 331;
inline constexpr unsigned kFirewallOff = 332;
inline constexpr unsigned kAllowRule = 333;
inline constexpr unsigned kNetworkCategory = 334;
inline constexpr unsigned kProfileDomain = 335;
inline constexpr unsigned kProfilePrivate = 336;
inline constexpr unsigned kProfilePublic = 337;

// The Fix button's question and answers.
inline constexpr unsigned kAllowOnPublic = 338;
inline constexpr unsigned kSetupDidNotRun = 339;
inline constexpr unsigned kSetupFailed = 340;

}  // namespace norvale::doctor_text

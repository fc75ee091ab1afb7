// The string-table ids of the main dialog's texts, and the one way the
// program fetches a text: in the system default language, read anew at every
// call.
#pragma once

#include <initializer_list>
#include <string>

#include "platform/core/language_table.h"
#include "platform/core/system_language_port.h"

namespace norvale {

namespace main_text {
inline constexpr unsigned kAboutMenuItem = 101;
inline constexpr unsigned kTitle = 102;
inline constexpr unsigned kColumnName = 103;
inline constexpr unsigned kColumnIp = 104;
inline constexpr unsigned kColumnNetmask = 105;
inline constexpr unsigned kColumnGateway = 106;
inline constexpr unsigned kColumnVolumeName = 107;
inline constexpr unsigned kColumnLocation = 108;
inline constexpr unsigned kColumnActive = 109;
inline constexpr unsigned kDeviceGroup = 116;
inline constexpr unsigned kLanGroup = 117;
inline constexpr unsigned kIscsiGroup = 118;
inline constexpr unsigned kShareGroup = 119;
inline constexpr unsigned kAboutLine = 125;
inline constexpr unsigned kAboutVersion = 126;
inline constexpr unsigned kIpLabel = 127;
inline constexpr unsigned kNetmaskLabel = 128;
inline constexpr unsigned kGatewayLabel = 129;
inline constexpr unsigned kDhcpLabel = 130;
inline constexpr unsigned kDriveLettersLabel = 131;
inline constexpr unsigned kUserNameLabel = 133;
inline constexpr unsigned kPasswordLabel = 134;
inline constexpr unsigned kRefresh = 147;
inline constexpr unsigned kConfiguration = 148;
inline constexpr unsigned kApply = 149;
inline constexpr unsigned kConnect = 150;
inline constexpr unsigned kDisconnect = 151;
inline constexpr unsigned kManagement = 152;
inline constexpr unsigned kAbout = 153;
inline constexpr unsigned kExit = 154;
inline constexpr unsigned kOk = 155;
inline constexpr unsigned kCancel = 156;
inline constexpr unsigned kLoginTitle = 175;
inline constexpr unsigned kSelectDeviceToConfigure = 182;
inline constexpr unsigned kDeviceUnavailable = 202;
inline constexpr unsigned kDhcpEnabled = 206;
inline constexpr unsigned kPageLabel = 233;
inline constexpr unsigned kCaptionConfirm = 235;
inline constexpr unsigned kCaptionWarning = 236;
// A close that waits for a change under way to end.
inline constexpr unsigned kClosesAfterChange = 292;
}  // namespace main_text

// The LAN section's own messages.
namespace lan_text {
inline constexpr unsigned kSelectDevice = 165;
inline constexpr unsigned kLoginRefused = 166;
inline constexpr unsigned kGettingAddress = 167;
inline constexpr unsigned kDhcpFailed = 168;
inline constexpr unsigned kEnable = 239;  // the DHCP selector's "Enable"
}  // namespace lan_text

inline std::wstring UiText(unsigned stringId) {
    return CLanguageTable::Instance().LoadText(UiLanguageId(), stringId);
}

// The text of `stringId` with its "%s" and "%d" marks filled by `values` in
// order; a mark without a value stays, a value without a mark is dropped.
inline std::wstring UiText(unsigned stringId, std::initializer_list<std::wstring> values) {
    std::wstring text = UiText(stringId);
    std::size_t from = 0;
    for (const std::wstring& value : values) {
        std::size_t mark = text.find(L'%', from);
        while (mark != std::wstring::npos && (mark + 1 >= text.size() || (text[mark + 1] != L's' && text[mark + 1] != L'd'))) {
            mark = text.find(L'%', mark + 1);
        }
        if (mark == std::wstring::npos) break;
        text.replace(mark, 2, value);
        from = mark + value.size();
    }
    return text;
}

}  // namespace norvale

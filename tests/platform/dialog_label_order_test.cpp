// Windows names a field after the static text created just before it, and
// screen readers read that name: in every shipped template each label comes
// right before the field it names. Read from the compiled templates the
// host embeds (DLGTEMPLATEEX), so what ships is what is checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/core/res_image.h"
#include "resources/resource.h"

namespace norvale {

extern const unsigned char kNorvaleResImage[];
extern const std::size_t kNorvaleResImageSize;

namespace {

constexpr std::uint16_t kResourceTypeDialog = 5;  // RT_DIALOG
constexpr std::uint32_t kSetFont = 0x40;  // DS_SETFONT (DS_SHELLFONT includes it)

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool ok() const { return ok_; }
    // A little-endian value of up to four bytes.
    std::uint32_t Take(std::size_t bytes) {
        std::uint32_t value = 0;
        if (bytes > 4 || at_ + bytes > size_) {
            ok_ = false;
            return 0;
        }
        for (std::size_t i = 0; i < bytes; ++i) value |= static_cast<std::uint32_t>(data_[at_ + i]) << (8 * i);
        at_ += bytes;
        return value;
    }
    void Skip(std::size_t bytes) {
        if (at_ + bytes > size_) ok_ = false;
        else at_ += bytes;
    }
    // An ordinal (0xFFFF and a word) or a 0-terminated UTF-16 text.
    void SkipNameOrOrdinal() {
        if (Take(2) == 0xFFFF) {
            Take(2);
            return;
        }
        at_ -= 2;
        while (ok_ && Take(2) != 0) {
        }
    }
    void Align4() { at_ = (at_ + 3) & ~static_cast<std::size_t>(3); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

// The control ids of a dialog template in creation order.
std::optional<std::vector<int>> ItemIds(int dialogId) {
    const auto entries = ParseResImage(kNorvaleResImage, kNorvaleResImageSize);
    if (!entries) return std::nullopt;
    for (const ResImageEntry& entry : *entries) {
        if (!entry.type.IsOrdinal(kResourceTypeDialog) || !entry.name.IsOrdinal(static_cast<std::uint16_t>(dialogId)))
            continue;
        Reader r(entry.data, entry.size);
        if (r.Take(2) != 1 || r.Take(2) != 0xFFFF) return std::nullopt;  // DLGTEMPLATEEX only
        r.Take(4);                                                        // help id
        r.Take(4);                                                        // extended style
        const std::uint32_t style = r.Take(4);
        const int count = static_cast<int>(r.Take(2));
        r.Skip(8);  // x, y, cx, cy
        r.SkipNameOrOrdinal();  // menu
        r.SkipNameOrOrdinal();  // class
        r.SkipNameOrOrdinal();  // title
        if (style & kSetFont) {
            r.Skip(6);  // point size, weight, italic, charset
            r.SkipNameOrOrdinal();
        }
        std::vector<int> ids;
        for (int i = 0; i < count && r.ok(); ++i) {
            r.Align4();
            r.Skip(20);  // help id, extended style, style, x, y, cx, cy
            ids.push_back(static_cast<int>(static_cast<std::int32_t>(r.Take(4))));
            r.SkipNameOrOrdinal();  // class
            r.SkipNameOrOrdinal();  // title
            const std::uint32_t extra = r.Take(2);
            r.Skip(extra);
        }
        if (!r.ok()) return std::nullopt;
        return ids;
    }
    return std::nullopt;
}

TEST(DialogTemplates, EachLabelComesRightBeforeTheFieldItNames) {
    struct Pair {
        int dialog;
        int label;
        int field;
    };
    const Pair pairs[] = {
        {IDD_NORVALE_DIALOG, IDC_IP_LABEL, IDC_LAN_IP},
        {IDD_NORVALE_DIALOG, IDC_NETMASK_LABEL, IDC_LAN_NETMASK},
        {IDD_NORVALE_DIALOG, IDC_GATEWAY_LABEL, IDC_LAN_GATEWAY},
        {IDD_NORVALE_DIALOG, IDC_DHCP_LABEL, IDC_DHCP_MODE},
        {IDD_NORVALE_DIALOG, IDC_DRIVE_LETTERS_LABEL, IDC_DRIVE_LETTERS},
        {IDD_NORVALE_DIALOG, IDC_TARGET_PAGE_LABEL, IDC_TARGET_PAGE},
        {IDD_NORVALE_DIALOG, IDC_SHARE_PAGE_LABEL, IDC_SHARE_PAGE},
        {IDD_LOGIN, IDC_LOGIN_USER_LABEL, IDC_LOGIN_USER},
        {IDD_LOGIN, IDC_LOGIN_PASSWORD_LABEL, IDC_LOGIN_PASSWORD},
        {IDD_CHAP_PASSWORD, IDC_CHAP_USER_LABEL, IDC_CHAP_USER},
        {IDD_CHAP_PASSWORD, IDC_CHAP_PASSWORD_LABEL, IDC_CHAP_PASSWORD},
        {IDD_DRIVE_SELECT, IDC_DRIVE_SELECT_DEVICE_LABEL, IDC_DRIVE_SELECT_LETTERS},
        {IDD_FORMAT_WIZARD, IDC_WIZARD_TARGET_LABEL, IDC_WIZARD_TARGET},
        {IDD_FORMAT_WIZARD, IDC_WIZARD_SIZE_LABEL, IDC_WIZARD_SIZE},
        {IDD_FORMAT_WIZARD, IDC_WIZARD_LETTER_LABEL, IDC_WIZARD_LETTER},
        {IDD_PARTITION, IDC_PARTITION_SIZE_LABEL, IDC_PARTITION_SIZE},
        {IDD_PARTITION, IDC_PARTITION_LETTER_LABEL, IDC_PARTITION_LETTER},
    };
    for (const Pair& p : pairs) {
        const std::optional<std::vector<int>> ids = ItemIds(p.dialog);
        ASSERT_TRUE(ids) << "template " << p.dialog << " is shipped and readable";
        const auto label = std::find(ids->begin(), ids->end(), p.label);
        ASSERT_NE(label, ids->end()) << p.label;
        ASSERT_NE(label + 1, ids->end()) << p.label;
        EXPECT_EQ(*(label + 1), p.field) << "template " << p.dialog << ": label " << p.label;
    }
}

}  // namespace
}  // namespace norvale

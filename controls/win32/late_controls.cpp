#include "controls/win32/late_controls.h"

#include <algorithm>
#include <cstring>

namespace norvale::win32 {

namespace {

constexpr WORD kComboBoxAtom = 0x0085;        // the predefined class's ordinal
constexpr std::size_t kItemCountOffset = 16;  // after dlgVer, signature, helpID, exStyle, style

// Reads a template's fields, never past its end.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t At() const { return at_; }
    // Items start on DWORD boundaries; the last one may end the resource short of one.
    void AlignToDword() { at_ = std::min(size_, (at_ + 3) & ~std::size_t{3}); }

    bool Skip(std::size_t bytes) {
        if (bytes > size_ - at_) return false;
        at_ += bytes;
        return true;
    }
    template <typename T>
    bool Read(T& value) {
        if (sizeof(T) > size_ - at_) return false;
        std::memcpy(&value, data_ + at_, sizeof(T));
        at_ += sizeof(T);
        return true;
    }
    bool SkipString() {
        for (WCHAR c = 1; c != 0;)
            if (!Read(c)) return false;
        return true;
    }
    // A name or an ordinal: 0x0000 for none, 0xFFFF then the ordinal, else
    // a string (`named`).
    bool NameOrOrdinal(WORD& ordinal, bool& named) {
        ordinal = 0;
        named = false;
        WORD first = 0;
        if (!Read(first)) return false;
        if (first == 0x0000) return true;
        if (first == 0xFFFF) return Read(ordinal) && ordinal != 0;
        named = true;
        at_ -= sizeof first;
        return SkipString();
    }

private:
    const BYTE* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// DLGITEMTEMPLATEEX up to its variable part.
#pragma pack(push, 1)
struct ItemHead {
    DWORD helpId;
    DWORD exStyle;
    DWORD style;
    short x, y, cx, cy;
    DWORD id;
};
#pragma pack(pop)

}  // namespace

std::optional<LateTemplate> LateTemplate::WithoutDropDowns(const void* resource, std::size_t size) {
    const auto* data = static_cast<const BYTE*>(resource);
    if (data == nullptr) return std::nullopt;
    TemplateReader in(data, size);
    WORD version = 0, signature = 0, count = 0, ordinal = 0;
    DWORD help = 0, exStyle = 0, style = 0;
    bool named = false;
    if (!in.Read(version) || !in.Read(signature) || version != 1 || signature != 0xFFFF) return std::nullopt;
    if (!in.Read(help) || !in.Read(exStyle) || !in.Read(style) || !in.Read(count) || !in.Skip(4 * sizeof(short)))
        return std::nullopt;
    if (!in.NameOrOrdinal(ordinal, named) || !in.NameOrOrdinal(ordinal, named) || !in.SkipString())
        return std::nullopt;  // menu, class, caption
    if ((style & DS_SETFONT) != 0 && (!in.Skip(2 * sizeof(WORD) + 2 * sizeof(BYTE)) || !in.SkipString()))
        return std::nullopt;  // point size, weight, italic, charset, typeface
    in.AlignToDword();

    LateTemplate result;
    auto& copy = result.memory_;
    copy.resize((in.At() + 3) / sizeof(DWORD));
    std::memcpy(copy.data(), data, in.At());
    WORD kept = 0;
    int previousId = 0;
    for (WORD item = 0; item < count; ++item) {
        in.AlignToDword();
        const std::size_t start = in.At();
        ItemHead head{};
        WORD classAtom = 0, titleOrdinal = 0, extra = 0;
        bool classNamed = false, titled = false;
        if (!in.Read(head) || !in.NameOrOrdinal(classAtom, classNamed) || !in.NameOrOrdinal(titleOrdinal, titled) ||
            !in.Read(extra) || !in.Skip(extra))
            return std::nullopt;
        const int id = static_cast<int>(head.id);
        // CBS_DROPDOWN and CBS_DROPDOWNLIST have a list of their own; a
        // sorted box would place its items where the surface cannot know them.
        if (classAtom == kComboBoxAtom && !titled && titleOrdinal == 0 && extra == 0 &&
            (head.style & 0x3) >= CBS_DROPDOWN && (head.style & CBS_SORT) == 0) {
            const RECT units{head.x, head.y, head.x + head.cx, head.y + head.cy};
            result.late_.push_back(LateControl{id, head.style, head.exStyle, units, previousId});
        } else {
            const std::size_t at = copy.size();
            copy.resize(at + (in.At() - start + 3) / sizeof(DWORD));
            std::memcpy(copy.data() + at, data + start, in.At() - start);
            ++kept;
        }
        previousId = id;
    }
    if (result.late_.empty()) return std::nullopt;
    std::memcpy(reinterpret_cast<BYTE*>(copy.data()) + kItemCountOffset, &kept, sizeof kept);
    return result;
}

HWND CreateLateControl(HWND dialog, const LateControl& control) {
    RECT r = control.units;
    if (!MapDialogRect(dialog, &r)) return nullptr;
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
    HWND window = CreateWindowExW(control.exStyle | WS_EX_NOPARENTNOTIFY, L"ComboBox", L"",
                                  control.style | WS_CHILD, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                                  instance, nullptr);
    if (window == nullptr) return nullptr;
    SendMessageW(window, WM_SETFONT, static_cast<WPARAM>(SendMessageW(dialog, WM_GETFONT, 0, 0)), FALSE);
    HWND previous = control.previousId != 0 ? GetDlgItem(dialog, control.previousId) : nullptr;
    if (previous != nullptr || control.previousId == 0) {
        SetWindowPos(window, previous != nullptr ? previous : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return window;
}

}  // namespace norvale::win32

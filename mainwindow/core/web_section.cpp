#include "mainwindow/core/web_section.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "controls/core/list_selection.h"
#include "controls/core/ok_box.h"
#include "mainwindow/core/about_dialog.h"
#include "mainwindow/core/norvale_dialog.h"
#include "platform/core/texts/norvale_texts.h"
#include "platform/core/utf8.h"
#include "resources/resource.h"

namespace norvale {

namespace {

constexpr wchar_t kCommandKeyTail[] = L"\\shell\\open\\command";
constexpr wchar_t kUrlScheme[] = L"http://";
constexpr wchar_t kExplorer[] = L"explorer ";

void ShowWarning(DialogSurfacePort& surface, unsigned textId) {
    ShowOkBox(surface, UiText(textId), main_text::kCaptionWarning, MessageIcon::Exclamation);
}

// What WinExec answers when the program itself could not be found or run,
// as opposed to a start that failed for want of memory.
bool ProgramMissing(unsigned result) {
    return result == kStartFileNotFound || result == kStartPathNotFound || result == kStartBadFormat;
}

}  // namespace

std::wstring ReadRegistryText(RegistryPort& registry, RegistryHive hive, const std::wstring& key,
                              const std::wstring& valueName) {
    const std::optional<std::vector<std::uint8_t>> bytes = registry.ReadValue(hive, key, valueName);
    if (!bytes || bytes->size() > kRegistryTextBytes) return {};
    // The type is not looked at: the bytes are taken as UTF-16 up to the
    // first terminator; an odd last byte is no character.
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes->size(); i += 2) {
        const auto unit = static_cast<char16_t>((*bytes)[i] | ((*bytes)[i + 1] << 8));
        if (unit == 0) break;
        units.push_back(unit);
    }
    // A value that fills the whole buffer leaves no room for the terminator.
    if (units.size() > kRegistryTextChars) return {};
    return Utf16ToWide(units);
}

std::optional<std::string> FittingCommandLine(const std::wstring& commandLine) {
    std::string bytes = WideToUtf8(commandLine);
    if (bytes.size() > kMaxCommandLineBytes) return std::nullopt;
    return bytes;
}

CWebSection::CWebSection(RegistryPort& registry, ProgramStartPort& programs)
    : registry_(registry), programs_(programs) {}

void CWebSection::OnConfiguration(CNorvaleDlg& dialog) {
    DialogSurfacePort& surface = dialog.Surface();
    const int row = SelectedRowFromVisible(surface, IDC_DEVICE_LIST);
    if (row < 0) {
        ShowWarning(surface, main_text::kSelectDeviceToConfigure);
        return;
    }
    const SectionFlow flow = dialog.Gate().Enter(surface);
    if (!flow) return;
    const std::wstring address = surface.ListCell(IDC_DEVICE_LIST, row, 1);
    dialog.State().deviceWebAddress = TruncateWide(address, kMaxWebAddressChars);
    dialog.Shares().CheckDeviceReachable(dialog, flow, [this, &dialog, flow, address](bool reachable) {
        // A device that no longer answers has been reported by the share section.
        if (reachable) StartBrowser(dialog, flow, address);
    });
}

void CWebSection::OnAbout(CNorvaleDlg& dialog) {
    CAboutDlg about;
    dialog.Surface().RunModal(about, IDD_ABOUTBOX);
}

std::wstring CWebSection::BrowserCommandLine(const std::wstring& address) {
    const std::wstring url = kUrlScheme + address;
    const std::wstring client =
        ReadRegistryText(registry_, RegistryHive::LocalMachine, kStartMenuInternetKey, L"");
    // Internet Explorer ("IEXPLORE.EXE") is started through Explorer; the
    // test is case-sensitive, so a name with a lower-case "ie" does not match.
    if (client.find(L"IE") != std::wstring::npos) return kExplorer + url;
    const std::wstring commandKey = std::wstring(kStartMenuInternetKey) + L"\\" + client + kCommandKeyTail;
    // A missing command leaves only " http://..."; the start then fails as
    // file not found and Explorer takes over.
    const std::wstring browser = ReadRegistryText(registry_, RegistryHive::LocalMachine, commandKey, L"");
    return browser + L" " + url;
}

void CWebSection::StartBrowser(CNorvaleDlg& dialog, const SectionFlow& flow, const std::wstring& address) {
    // A browser line that does not fit is not cut (a cut URL opens a wrong
    // page, a cut program path a wrong program): Explorer is asked instead.
    const std::optional<std::string> browser = FittingCommandLine(BrowserCommandLine(address));
    const std::optional<std::string> explorer = FittingCommandLine(kExplorer + (kUrlScheme + address));
    ProgramStartPort& programs = programs_;
    dialog.Steps().Run(
        dialog.Surface(),
        [&programs, browser, explorer] {
            if (browser && !ProgramMissing(programs.StartProgram(*browser, kShowHidden))) return true;
            if (!explorer) return false;
            // Explorer's own answer changes nothing: there is no further fallback.
            programs.StartProgram(*explorer, kShowHidden);
            return true;
        },
        [&dialog, flow](bool started) {
            // Only an address far longer than any IPv4 text gets here.
            if (!started) ShowWarning(dialog.Surface(), main_text::kDeviceUnavailable);
        });
}

}  // namespace norvale

// The device's own web configuration page and the About box: Configuration
// opens "http://" and the selected device's address in the machine's default
// Start-menu browser (or Explorer), About shows CAboutDlg.
//
//   CWebSection web(registry, programs);   // registry_port.h, program_start_port.h
//   NorvaleDlgSections sections;
//   sections.web = &web;
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "mainwindow/core/norvale_sections.h"
#include "mainwindow/core/ports/program_start_port.h"
#include "platform/core/registry_port.h"

namespace norvale {

class DialogSurfacePort;

// The registry text the browser lookup reads: at most this many UTF-16
// characters, terminator included in the buffer of kRegistryTextBytes.
inline constexpr std::size_t kRegistryTextBytes = 120;
inline constexpr std::size_t kRegistryTextChars = 59;
// The longest command line handed to the program start, in UTF-8 bytes.
inline constexpr std::size_t kMaxCommandLineBytes = 127;
// The longest address kept as the device's web address.
inline constexpr std::size_t kMaxWebAddressChars = 63;

// Where Windows registers the default Start-menu browser (HKEY_LOCAL_MACHINE).
inline constexpr wchar_t kStartMenuInternetKey[] = L"Software\\Clients\\StartMenuInternet";

// A registry value read as text (UTF-16 as stored, up to its terminator).
// Empty when the key or value does not exist, or when the value is longer
// than the buffer allows (kRegistryTextBytes bytes, kRegistryTextChars
// characters): a value that does not fit is not used in part.
std::wstring ReadRegistryText(RegistryPort& registry, RegistryHive hive, const std::wstring& key,
                              const std::wstring& valueName);

// The command line as handed to the program start, or nullopt when its
// UTF-8 form is longer than kMaxCommandLineBytes (it is refused, never cut).
std::optional<std::string> FittingCommandLine(const std::wstring& commandLine);

class CWebSection final : public WebSection {
public:
    // Both ports must outlive the section.
    CWebSection(RegistryPort& registry, ProgramStartPort& programs);

    void OnConfiguration(CNorvaleDlg& dialog) override;
    void OnAbout(CNorvaleDlg& dialog) override;

private:
    // The command line of the default browser for the address.
    std::wstring BrowserCommandLine(const std::wstring& address);
    // The browser, and Explorer when the browser's program is missing or its
    // line does not fit, started on a worker (a start can take its time).
    void StartBrowser(CNorvaleDlg& dialog, const SectionFlow& flow, const std::wstring& address);

    RegistryPort& registry_;
    ProgramStartPort& programs_;
};

}  // namespace norvale

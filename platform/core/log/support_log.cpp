#include "platform/core/log/support_log.h"

#include <algorithm>
#include <cwctype>

#include "platform/core/utf8.h"
#include "platform/core/version/windows_version_name.h"
#include "platform/core/version/windows_version_reader.h"

namespace norvale {
namespace {

// Looks for `word` (lower case) without copying `text`: a login line
// carries the CHAP secret, and a lowered copy would leave it in a freed block.
bool HoldsWord(const std::wstring& text, const std::wstring& word) {
    return std::search(text.begin(), text.end(), word.begin(), word.end(), [](wchar_t a, wchar_t b) {
               return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(a))) == b;
           }) != text.end();
}

const wchar_t* ProductTypeName(ProductType type) {
    switch (type) {
        case ProductType::Workstation: return L"workstation";
        case ProductType::Server: return L"server";
        case ProductType::DomainController: return L"domain controller";
    }
    return L"?";
}

}  // namespace

std::wstring StartLine(const std::wstring& programVersion, VersionSourcePort& version, std::optional<bool> elevated) {
    std::wstring line = L"Norvale " + programVersion + L" on " + GetWindowsVersionName(version);
    if (const auto info = ReadWindowsVersion(version)) {
        line += L" (" + std::to_wstring(info->majorVersion) + L"." + std::to_wstring(info->minorVersion) + L"." +
                std::to_wstring(info->buildNumber) + L", " + ProductTypeName(info->productType) + L", suite marks " +
                std::to_wstring(info->suiteMarks) + L", service pack \"" + info->servicePackText + L"\")";
    } else {
        line += L" (the version could not be read)";
    }
    line += IsWow64(version) ? L", WOW64" : L", native";
    line += !elevated ? L", elevation unknown" : (*elevated ? L", elevated" : L", not elevated");
    return line;
}

std::wstring RedactCommandLine(const std::wstring& commandLine) {
    if (!HoldsWord(commandLine, L"logintarget")) return commandLine;
    // Quoted arguments hold no quote (the command lines refuse one), so the
    // quotes pair up: user name first, secret second.
    std::size_t quote = std::wstring::npos;
    std::size_t from = 0;
    for (int mark = 0; mark < 3; ++mark) {
        quote = commandLine.find(L'"', from);
        if (quote == std::wstring::npos) return commandLine;
        from = quote + 1;
    }
    const std::size_t close = commandLine.find(L'"', from);
    std::wstring redacted = commandLine.substr(0, quote + 1) + L"***";
    // An unclosed secret runs to the end of the line: all of it goes.
    if (close != std::wstring::npos) redacted += commandLine.substr(close);
    return redacted;
}

SupportLog::SupportLog(LogFilePort& file, std::function<std::wstring()> stamp, std::uint64_t maxFileBytes)
    : file_(file), stamp_(std::move(stamp)), maxFileBytes_(maxFileBytes) {}

void SupportLog::Trace(const std::wstring& text) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        if (end > start) WriteLine(text.substr(start, end - start));
        if (end == text.size()) break;
        start = end + 1;
    }
}

void SupportLog::WriteLine(const std::wstring& line) {
    std::lock_guard<std::mutex> hold(lock_);
    if (broken_) return;
    std::wstring stamped = stamp_ ? stamp_() + L" " + line : line;
    std::string bytes = WideToUtf8(stamped);
    const std::uint64_t room = maxFileBytes_ > 2 ? maxFileBytes_ - 2 : 0;
    if (bytes.size() > room) bytes = TruncateUtf8(bytes, static_cast<std::size_t>(room));
    bytes += "\r\n";
    if (!sizeKnown_) {
        size_ = file_.CurrentSize().value_or(0);
        sizeKnown_ = true;
    }
    if (size_ > 0 && size_ + bytes.size() > maxFileBytes_) {
        if (!file_.Rotate()) {
            broken_ = true;
            return;
        }
        size_ = 0;
    }
    if (!file_.Append(bytes)) {
        broken_ = true;
        return;
    }
    size_ += bytes.size();
}

}  // namespace norvale

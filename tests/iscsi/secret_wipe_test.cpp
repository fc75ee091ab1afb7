// Secrets leave no copy behind: the global allocation functions are
// replaced here, and while a scan is armed every block freed is searched for
// the secret (UTF-8, the program's wide text, UTF-16; plain and as hex)
// before it goes back to the heap. A CHAP connect and an administrator login
// run under the scan.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "mainwindow/core/admin_login.h"
#include "mainwindow/core/login_dialog.h"
#include "platform/core/utf8.h"
#include "tests/fakes/freed_block_scan.h"
#include "tests/iscsi/secret_forms.h"
#include "tests/iscsi/target_section_fixture.h"

namespace {

// Plain old data only: the scan runs inside operator delete and allocates
// nothing.
struct FreedBlockScan {
    static constexpr int kMaxNeedles = 12;
    static constexpr std::size_t kMaxNeedle = 256;
    bool armed = false;
    int needles = 0;
    unsigned char needle[kMaxNeedles][kMaxNeedle];
    std::size_t length[kMaxNeedles];
    const char* form[kMaxNeedles];
    int hits = 0;
    const char* firstHit = nullptr;
};
FreedBlockScan g_scan;

constexpr std::size_t kHeader = 16;  // keeps malloc's alignment

void Check(const unsigned char* block, std::size_t size) {
    for (int n = 0; n < g_scan.needles; ++n) {
        const std::size_t length = g_scan.length[n];
        for (std::size_t at = 0; length != 0 && at + length <= size; ++at) {
            if (std::memcmp(block + at, g_scan.needle[n], length) == 0) {
                if (g_scan.hits++ == 0) g_scan.firstHit = g_scan.form[n];
                break;
            }
        }
    }
}

void* Allocate(std::size_t size) noexcept {
    void* base = std::malloc(size + kHeader);
    if (base == nullptr) return nullptr;
    *static_cast<std::size_t*>(base) = size;
    return static_cast<unsigned char*>(base) + kHeader;
}

void Release(void* block) noexcept {
    if (block == nullptr) return;
    unsigned char* base = static_cast<unsigned char*>(block) - kHeader;
    const std::size_t size = *reinterpret_cast<std::size_t*>(base);
    if (g_scan.armed && norvale::test::FreedBlockScanPauses() == 0)
        Check(static_cast<unsigned char*>(block), size);
    std::free(base);
}

void* AllocateOrThrow(std::size_t size) {
    void* block = Allocate(size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }

namespace norvale::test {
namespace {

void AddNeedle(const void* bytes, std::size_t size, const char* form) {
    ASSERT_LT(g_scan.needles, FreedBlockScan::kMaxNeedles);
    ASSERT_LE(size, FreedBlockScan::kMaxNeedle);
    std::memcpy(g_scan.needle[g_scan.needles], bytes, size);
    g_scan.length[g_scan.needles] = size;
    g_scan.form[g_scan.needles++] = form;
}

// The secret as bytes (one byte, one character) and as hex, each in UTF-8,
// in the program's wide text and in UTF-16.
void ScanFor(const std::string& secret) {
    g_scan = FreedBlockScan{};
    const std::string hex = SecretForms(secret)[1];
    const struct {
        const std::string& text;
        const char* names[3];
    } forms[] = {{secret, {"plain UTF-8", "plain wide", "plain UTF-16"}}, {hex, {"hex UTF-8", "hex wide", "hex UTF-16"}}};
    for (const auto& f : forms) {
        std::wstring wide;
        std::u16string utf16;
        for (unsigned char c : f.text) {
            wide += static_cast<wchar_t>(c);
            utf16 += static_cast<char16_t>(c);
        }
        AddNeedle(f.text.data(), f.text.size(), f.names[0]);
        AddNeedle(wide.data(), wide.size() * sizeof(wchar_t), f.names[1]);
        AddNeedle(utf16.data(), utf16.size() * sizeof(char16_t), f.names[2]);
    }
}

struct Armed {
    Armed() { g_scan.armed = true; }
    ~Armed() { g_scan.armed = false; }
};

constexpr char kChapSecret[] = "Pa\"ss word-12";

class SecretWipeTest : public TargetSectionTest {
protected:
    SecretWipeTest() : TargetSectionTest({}, {ChapArchive()}) {}
    static sim::ApplianceConfig ChapArchive() {
        sim::ApplianceConfig archive = ArchiveAppliance();
        archive.targets[1].password = kChapSecret;
        return archive;
    }
};

TEST_F(SecretWipeTest, ACHAPConnectLeavesNoCopyOfTheSecretInFreedMemory) {
    const std::wstring typed = Utf8ToWide(kChapSecret);
    surface.ScriptChild(IDD_CHAP_PASSWORD, [&typed](DialogController&, FakeDialogSurface& chap) {
        {
            const FreedBlockScanPause keys;
            chap.TypeText(IDC_CHAP_USER, L"chap_usr");
            chap.TypeText(IDC_CHAP_PASSWORD, typed);
        }
        chap.Click(kIdOk);
        // The field's memory stands for the edit control's, which is not
        // the program's heap.
        WipeText(chap.Control(IDC_CHAP_PASSWORD).text);
        return chap.EndCode() ? *chap.EndCode() : kIdCancel;
    });
    OpenAndSelect();
    ClickTarget(RowOf(L"ARCHIVE-SECURE"));
    ScanFor(kChapSecret);
    {
        const Armed scan;
        PressConnect();
    }
    ASSERT_TRUE(Connected(kChapTarget)) << "the scan watched a real login";
    EXPECT_EQ(g_scan.hits, 0) << "first found as " << (g_scan.firstHit ? g_scan.firstHit : "");
}

TEST(SecretWipe, AnAdministratorLoginLeavesNoCopyOfThePasswordInFreedMemory) {
    const std::string password = "Admin-pass-1234-long";
    VirtualClock clock;
    FakeSegment segment{clock};
    DeviceProtocol protocol{segment, clock};
    ApplianceConfig config;
    config.adminPassword = password;
    segment.AddAppliance(config);
    segment.SetLocalAddresses(std::vector<std::string>{"192.168.0.2"});
    ASSERT_TRUE(protocol.OpenDeviceSockets());
    protocol.DiscoverDevices(kDefaultSelector1, kDefaultSelector2);
    ASSERT_EQ(protocol.Devices().Count(), 1u);
    protocol.SelectedDeviceIp = protocol.Devices().Records().front().ipText;

    const std::wstring typed = Utf8ToWide(password);
    const AskAdminCredentials ask = [&typed]() -> std::optional<AdminCredentials> {
        AdminCredentials entered{"admin", {}};
        CLoginDialog login(LoginDialogInputs{}, entered.userName, entered.password);
        FakeDialogSurface window;  // goes before the dialog it drives
        window.DeclareControls({IDC_LOGIN_USER_LABEL, IDC_LOGIN_USER, IDC_LOGIN_PASSWORD_LABEL, IDC_LOGIN_PASSWORD,
                                kIdOk, kIdCancel});
        window.Open(login);
        {
            const FreedBlockScanPause keys;
            window.TypeText(IDC_LOGIN_PASSWORD, typed);
        }
        window.Click(kIdOk);
        WipeText(window.Control(IDC_LOGIN_PASSWORD).text);
        return std::optional<AdminCredentials>(std::move(entered));
    };
    ScanFor(password);
    bool loggedIn = false;
    {
        const Armed scan;
        loggedIn = RunAdminLoginSequence(protocol, ask);
    }
    EXPECT_TRUE(loggedIn) << "the scan watched a real login";
    EXPECT_EQ(g_scan.hits, 0) << "first found as " << (g_scan.firstHit ? g_scan.firstHit : "");
    EXPECT_TRUE(protocol.AdminPassword.empty());
}

}  // namespace
}  // namespace norvale::test

// The whole connect of a target whose disk is empty: the main dialog's
// Connect, the hand-off, the format wizard and the format engine on the
// simulated Windows, in virtual time, with the image checked by the real
// partitioning tools afterwards.
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>

#include "disk/core/wizard/wizard_partition.h"
#include "platform/core/utf8.h"
#include "resources/resource.h"
#include "tests/disk/disksim_fixture.h"
#include "tests/iscsi/secret_forms.h"
#include "tests/platform/version_machines.h"
#include "tools/diskflow/disk_flow_rig.h"

namespace norvale {
namespace {

using diskflow::DiskFlowRig;
using diskflow::FlowSetup;
using test::RunTool;
constexpr std::int64_t kGiB = 1LL << 30;

// What sfdisk and blkid see of the image.
struct ImageFacts {
    std::string label;                                              // "dos" or "gpt"
    std::vector<std::pair<std::int64_t, std::int64_t>> partitions;  // start and size in sectors
    std::string fileSystem;                                         // blkid's TYPE of the last partition
    std::string fsLabel;
};

ImageFacts Inspect(const std::string& image) {
    ImageFacts facts;
    const auto table = RunTool("sfdisk -J '" + image + "' 2>/dev/null");
    if (table.exitCode != 0) return facts;
    const auto json = nlohmann::json::parse(table.output)["partitiontable"];
    facts.label = json["label"];
    for (const auto& part : json["partitions"]) facts.partitions.emplace_back(part["start"], part["size"]);
    if (facts.partitions.empty()) return facts;
    const auto probe =
        RunTool("blkid -p -o export -O " + std::to_string(facts.partitions.back().first * 512) + " '" + image + "'");
    for (std::size_t at = 0; at < probe.output.size();) {
        const std::size_t end = probe.output.find('\n', at);
        const std::string line = probe.output.substr(at, end - at);
        if (line.rfind("TYPE=", 0) == 0) facts.fileSystem = line.substr(5);
        if (line.rfind("LABEL=", 0) == 0) facts.fsLabel = line.substr(6);
        at = end == std::string::npos ? probe.output.size() : end + 1;
    }
    return facts;
}

class WizardFlowTest : public testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/norvale-wizard-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        dir_ = name;
    }
    void TearDown() override {
        rig_.reset();
        RunTool("rm -rf '" + dir_ + "'");
    }
    DiskFlowRig& Boot(test::FakeVersionSource version, std::uint64_t lunBytes = 10ull << 30) {
        rig_ = std::make_unique<DiskFlowRig>(FlowSetup::For(std::move(version), dir_, lunBytes), clock_);
        rig_->OpenAndSelect();
        return *rig_;
    }
    // OK pressed with `fault` in force, then Cancel, as a user whose step
    // failed would: true when the LUN's image is byte for byte as it was.
    bool FailedOkLeavesTheImage(const std::function<void()>& fault) {
        std::string image;
        std::string before;
        rig_->OnWizard([&](test::FakeDialogSurface& wizard) {
            image = Image();
            before = test::ImageDigest(image);
            fault();
            wizard.Click(kIdOk);
            EXPECT_TRUE(wizard.IsDialogEnabled());
            EXPECT_TRUE(wizard.IsEnabled(kIdOk));
            wizard.Click(kIdCancel);
        });
        rig_->Connect();
        return !image.empty() && test::ImageDigest(image) == before;
    }
    std::string Image() {
        for (const auto& disk : rig_->Pc().Disks().Disks()) {
            if (static_cast<std::int32_t>(disk.number) == rig_->TargetDisk()) return disk.imagePath;
        }
        return {};
    }
    std::vector<std::string> Iscsicli() {
        std::vector<std::string> lines;
        for (const auto& entry : rig_->Pc().Initiator().CommandLog()) lines.push_back(entry.line);
        return lines;
    }
    bool Saw(const std::string& start) {
        for (const std::string& line : Iscsicli()) {
            if (line.rfind(start, 0) == 0) return true;
        }
        return false;
    }

    test::VirtualClock clock_;
    std::string dir_;
    std::unique_ptr<DiskFlowRig> rig_;
};

void PressOk(test::FakeDialogSurface& wizard) { wizard.Click(kIdOk); }

struct WindowsCase {
    const char* name;
    test::FakeVersionSource (*version)();
    bool fat32;
    std::int64_t start;
};

const WindowsCase kWindows[] = {
    {"XP Professional", test::XpProfessional, false, 32256},
    {"XP x64", test::XpProfessionalX64, true, 32256},
    {"Server 2003 with SP", test::Server2003DatacenterDomainController, false, 32256},
    {"Server 2003 without SP", test::Server2003StandardRtm, false, 32256},
    {"Server 2003 R2", test::Server2003R2Enterprise, true, 32256},
    {"Vista", test::VistaBusiness, false, 1 << 20},
    {"7", test::Windows7Professional, false, 65536},
    {"Server 2008 R2", test::Server2008R2Datacenter, true, 65536},
    {"Windows 2000", test::Windows2000, false, 32256},
    {"8.1", test::Windows81Pro, false, 65536},
    {"10", test::Windows10Pro, true, 65536},
    {"11", test::Windows11Pro23H2, false, 65536},
    {"Server 2012 R2", test::Server2012R2Standard, false, 65536},
    {"Server 2016", test::Server2016Standard, true, 65536},
    {"Server 2019", test::Server2019Standard, false, 65536},
    {"Server 2022", test::Server2022Datacenter, false, 65536},
    {"Server 2025", test::Server2025Standard, false, 65536},
};

TEST_F(WizardFlowTest, EmptyDiskBecomesOneFormattedLetteredVolumeOnEveryWindows) {
    for (const WindowsCase& c : kWindows) {
        SCOPED_TRACE(c.name);
        DiskFlowRig& rig = Boot(c.version());
        rig.OnWizard([&](test::FakeDialogSurface& wizard) {
            if (c.fat32) wizard.ClickCheckBox(IDC_WIZARD_FAT32);
            wizard.Click(kIdOk);
        });
        rig.Connect();
        ASSERT_EQ(rig.WizardRuns(), 1);
        EXPECT_TRUE(rig.WizardBoxes().empty()) << WideToUtf8(rig.WizardBoxes().front().request.text);
        EXPECT_EQ(rig.DiskManagerOpens(), 1);
        const ImageFacts facts = Inspect(Image());
        EXPECT_EQ(facts.label, "dos");
        ASSERT_EQ(facts.partitions.size(), 1u);
        EXPECT_EQ(facts.partitions[0].first * 512, c.start);
        EXPECT_LE((facts.partitions[0].first + facts.partitions[0].second) * 512, 10 * kGiB);
        EXPECT_EQ(facts.fileSystem, c.fat32 ? "vfat" : "ntfs");
        EXPECT_EQ(facts.fsLabel, "iSCSI");
        EXPECT_TRUE(Saw("iscsicli AddPersistentDevice ")) << "persistent device";
        EXPECT_GE(rig.TargetDisk(), 1) << "still connected";
        // A disconnect now drops the volume's persistent device first.
        rig.Disconnect();
        EXPECT_TRUE(Saw("iscsicli RemovePersistentDevice ")) << "device removed";
        EXPECT_EQ(rig.TargetDisk(), -1);
    }
}

TEST_F(WizardFlowTest, ThreeTerabytesBecomeGptOnWindows7AndToday) {
    const std::pair<const char*, test::FakeVersionSource (*)()> machines[] = {
        {"7", test::Windows7Professional}, {"11", test::Windows11Pro24H2}, {"2022", test::Server2022Datacenter}};
    for (const auto& [name, windows] : machines) {
        SCOPED_TRACE(name);
        DiskFlowRig& rig = Boot(windows(), 3000000000000ull);
        rig.OnWizard(PressOk);
        rig.Connect();
        const std::string image = Image();
        const ImageFacts facts = Inspect(image);
        EXPECT_EQ(facts.label, "gpt");
        // Windows' reserved partition (128 MiB on a disk of 16 GiB and more;
        // 16 MiB less its offset from Windows 10 on) stays in front, and the
        // new partition follows it on the next 1 MiB boundary.
        const bool ten = std::string(name) != "7";
        ASSERT_EQ(facts.partitions.size(), 2u);
        EXPECT_EQ(facts.partitions[0].first * 512, 17408);
        EXPECT_EQ(facts.partitions[0].second * 512, ten ? (16 << 20) - 17408 : 128 << 20);
        EXPECT_EQ(facts.partitions[1].first * 512, ten ? 16 << 20 : 129 << 20);
        EXPECT_EQ(facts.fileSystem, "ntfs");
        EXPECT_NE(RunTool("sfdisk -d '" + image + "'").output.find("E3C9E316-0B5C-4DB8-817D-F92DF00215AE"),
                  std::string::npos);
        const auto verify = RunTool("sgdisk --verify '" + image + "'");
        EXPECT_NE(verify.output.find("No problems found"), std::string::npos) << verify.output;
    }
}

TEST_F(WizardFlowTest, CancelLogsTheTargetOutAndOpensNothing) {
    DiskFlowRig& rig = Boot(test::Windows7Professional());
    rig.OnWizard([](test::FakeDialogSurface& wizard) { wizard.Click(kIdCancel); });
    rig.Connect();
    EXPECT_EQ(rig.WizardRuns(), 1);
    EXPECT_EQ(rig.TargetDisk(), -1);
    EXPECT_TRUE(Saw("iscsicli logouttarget "));
    EXPECT_TRUE(Saw("iscsicli removepersistenttarget "));
    EXPECT_EQ(rig.DiskManagerOpens(), 0);
    EXPECT_TRUE(Inspect(Image()).partitions.empty());
}

TEST_F(WizardFlowTest, FailedFormatKeepsThePartitionAndTheConnection) {
    DiskFlowRig& rig = Boot(test::VistaBusiness());
    rig.FormatLibrary().SetFailing(true);
    rig.OnWizard([&](test::FakeDialogSurface& wizard) {
        wizard.Click(kIdOk);
        rig.RunUntilQuiet(wizard);
        EXPECT_FALSE(wizard.EndCode()) << "stays open after a failed format";
        EXPECT_TRUE(wizard.IsDialogEnabled());
        wizard.Click(kIdCancel);
    });
    rig.Connect();
    EXPECT_GE(rig.TargetDisk(), 1) << "a format ended: no logout";
    EXPECT_EQ(Inspect(Image()).partitions.size(), 1u);
    EXPECT_EQ(rig.DiskManagerOpens(), 1);
}

TEST_F(WizardFlowTest, RefusedLayoutWriteShowsTheSystemTextAndLeavesTheImage) {
    DiskFlowRig& rig = Boot(test::Windows7Professional());
    EXPECT_TRUE(FailedOkLeavesTheImage([&] {
        rig.Pc().Disks().Inject(
            {disksim::Request::SetDriveLayoutEx, std::nullopt, win32_error::kWriteProtect, {}, 1});
    }));
    ASSERT_EQ(rig.WizardBoxes().size(), 1u);
    EXPECT_EQ(rig.WizardBoxes()[0].request.text, L"The media is write protected.\r\n");
    EXPECT_EQ(rig.WizardBoxes()[0].request.caption, L"Warning");
    EXPECT_EQ(rig.WizardBoxes()[0].request.icon, MessageIcon::Stop);
    EXPECT_EQ(rig.TargetDisk(), -1) << "cancelled";
}

// A diskpart that hangs on the online script is stopped at its limit: the
// partition is not written, the user reads why, and the wizard stays open.
TEST_F(WizardFlowTest, AHungOnlineScriptIsStoppedAndNothingIsWritten) {
    DiskFlowRig& rig = Boot(test::Windows7Professional());
    EXPECT_TRUE(FailedOkLeavesTheImage([&] { rig.Pc().Processes().Hang(L"cmd"); }));
    EXPECT_TRUE(rig.WizardBoxes().empty());
    ASSERT_EQ(rig.Pc().RunTimeouts().size(), 1u);
    EXPECT_EQ(rig.Pc().RunTimeouts()[0].rfind(L"diskpart did not finish within 10 minutes", 0), 0u);
    EXPECT_EQ(rig.Pc().Processes().stopped, 1);
    EXPECT_EQ(rig.TargetDisk(), -1) << "cancelled";
}

TEST_F(WizardFlowTest, ValidationRefusalsKeepTheDialogOpen) {
    DiskFlowRig& rig = Boot(test::XpProfessional());
    rig.OnWizard([](test::FakeDialogSurface& wizard) {
        wizard.ClickCheckBox(IDC_WIZARD_MAX_SPACE);
        for (const wchar_t* size : {L"12a", L"10", L"99999"}) {
            wizard.TypeText(IDC_WIZARD_SIZE, size);
            wizard.Click(kIdOk);
        }
        wizard.ClickCheckBox(IDC_WIZARD_NTFS);
        wizard.Click(kIdOk);
        wizard.Click(kIdCancel);
    });
    rig.Connect();
    std::vector<std::wstring> texts;
    for (const auto& box : rig.WizardBoxes()) texts.push_back(box.request.text);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], L"Invalid format size.");
    EXPECT_EQ(texts[1], L"Invalid partition size.\nPartition must be greater than 11Mb.");
    EXPECT_EQ(texts[2].rfind(L"Invalid partition size.\nPartition must be less than 102", 0), 0u) << texts[2];
    EXPECT_EQ(texts[3], L"Please Select Format Type.");
    EXPECT_EQ(rig.WizardBoxes()[3].request.caption, L"Warning");
}

// The partitioning step on its own: what it refuses leaves the disk alone.
TEST_F(WizardFlowTest, PartitioningRefusesAForeignDiskAndAnUnreadableTable) {
    DiskFlowRig& rig = Boot(test::Windows7Professional());
    rig.OnWizard([](test::FakeDialogSurface& wizard) { wizard.Click(kIdCancel); });
    ASSERT_TRUE(rig.Pc().Connect(diskflow::kApplianceIp, diskflow::kTarget));
    const std::string image = Image();
    const std::string before = test::ImageDigest(image);
    DiskScripts scripts = rig.Pc().Scripts();
    WizardPartitionRequest request;
    request.disk = rig.TargetDisk();
    request.diskText = std::to_wstring(request.disk);
    request.sizeMiB = 100;
    request.osClass = 7;
    request.owner = {diskflow::kTarget, {L"192.168.99.99"}};
    const WizardPartitionPorts ports{rig.Pc().Disks(), rig.Inventory(), scripts, clock_};
    const auto foreign = CreateWizardPartition(ports, request);
    EXPECT_EQ(foreign.outcome, WizardPartitionResult::Outcome::Refused);
    EXPECT_NE(foreign.refusal.find(L"is not a disk of the selected iSCSI target"), std::wstring::npos);

    request.owner = {diskflow::kTarget, {diskflow::kApplianceIp}};
    rig.Pc().Disks().Inject({disksim::Request::GetDriveLayoutEx, std::nullopt, win32_error::kIoDevice, {}, 1});
    const auto unreadable = CreateWizardPartition(ports, request);
    EXPECT_EQ(unreadable.outcome, WizardPartitionResult::Outcome::SystemError);
    EXPECT_EQ(unreadable.error, win32_error::kIoDevice);
    EXPECT_EQ(test::ImageDigest(image), before);

    EXPECT_TRUE(CreateWizardPartition(ports, request).Written());
    EXPECT_EQ(Inspect(image).partitions.size(), 1u);
}

// A disk that never tells its size: the wizard waits a bounded time, says
// so, and offers only Cancel, which undoes the connection.
TEST_F(WizardFlowTest, DiskWithoutSizeEndsTheWaitWithAMessage) {
    DiskFlowRig& rig = Boot(test::Windows7Professional());
    rig.Pc().Disks().Inject({disksim::Request::GetDriveGeometry, std::nullopt, win32_error::kIoDevice, {}, -1});
    std::chrono::milliseconds opened{};
    rig.OnWizard([&](test::FakeDialogSurface& wizard) {
        opened = clock_.Now();
        EXPECT_FALSE(wizard.IsEnabled(kIdOk));
        EXPECT_EQ(
            wizard.Text(IDC_WIZARD_STATUS).rfind(L"The disk of the target did not report its size in time.", 0),
            0u);
        wizard.Click(kIdCancel);
    });
    const auto start = clock_.Now();
    rig.Connect();
    EXPECT_EQ(rig.WizardRuns(), 1);
    EXPECT_GE(opened - start, kDiskSizeWait);
    EXPECT_LT(opened - start, kDiskSizeWait + std::chrono::seconds(10));
    EXPECT_EQ(rig.TargetDisk(), -1);
}

TEST_F(WizardFlowTest, TargetWithoutDiskOpensNoWizard) {
    DiskFlowRig& rig = Boot(test::Windows7Professional(), 0);
    rig.Connect();
    EXPECT_EQ(rig.WizardRuns(), 0);
    ASSERT_FALSE(rig.MainSurface().MessageBoxes().empty());
    EXPECT_EQ(rig.MainSurface().MessageBoxes().back().request.text,
              L"The target doesn't allocated to the iSCSI LUN.");
}

// The headless flow with a CHAP target: a secret with a quote and a blank,
// one that begins with "0x" and a plain one connect (the wizard opens for the
// new disk); one too short for the dialog is refused before any line runs.
// No form of the secret shows in anything the flow prints.
TEST_F(WizardFlowTest, ChapSecretsConnectOrAreRefusedBeforeAnyLineAndNeverShow) {
    const struct {
        const char* secret;
        bool connects;
    } cases[] = {{"Pa\"ss word-12", true}, {"0x0123456789ab", true}, {"plainsecret12", true}, {"*", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.secret).size());
        FlowSetup setup = FlowSetup::For(test::Windows7Professional(), dir_);
        setup.RequireChap("chap_user", c.secret);
        rig_ = std::make_unique<DiskFlowRig>(std::move(setup), clock_);
        rig_->OpenAndSelect();
        rig_->OnChapDialog(L"chap_user", Utf8ToWide(c.secret));
        rig_->OnWizard([](test::FakeDialogSurface& wizard) { wizard.Click(kIdCancel); });
        rig_->Connect();
        EXPECT_EQ(rig_->WizardRuns(), c.connects ? 1 : 0);
        EXPECT_EQ(Saw("iscsicli logintarget"), c.connects) << "no line runs for a refused secret";
        for (const auto& entry : rig_->Pc().Initiator().CommandLog()) EXPECT_TRUE(entry.accepted) << entry.line;
        if (!c.connects) continue;  // a one-character secret is in every line (a star)
        std::string printed;
        for (const std::wstring& line : rig_->MainSurface().Log()) printed += WideToUtf8(line) + "\n";
        for (const std::wstring& line : rig_->ChapLog()) printed += WideToUtf8(line) + "\n";
        for (const std::wstring& line : rig_->WizardLog()) printed += WideToUtf8(line) + "\n";
        for (const std::string& line : Iscsicli()) printed += line + "\n";
        EXPECT_EQ(test::LeakedForm(printed, c.secret), "") << "a form of the secret was printed";
        EXPECT_EQ(printed.find("Login request failed"), std::string::npos) << "never message 204";
    }
}

}  // namespace
}  // namespace norvale

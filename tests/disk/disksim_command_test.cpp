// norvale-disksim as a person runs it: a state folder kept between runs, a
// table written by sfdisk seen as a volume with a letter, and a diskpart
// script run against the folder.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/disk/disksim_fixture.h"

namespace norvale::test {
namespace {

class DisksimCommand : public testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/norvale-disksim-cmd-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        dir_ = name;
    }
    void TearDown() override { RunTool("rm -rf '" + dir_ + "'"); }
    ToolRun Command(const std::string& arguments) {
        return RunTool(std::string(NORVALE_DISKSIM_COMMAND) + " '" + dir_ + "/state' " + arguments);
    }
    std::string dir_;
};

TEST_F(DisksimCommand, KeepsDisksAndLettersBetweenRunsAndRunsDiskpart) {
    const ToolRun attached = Command("attach 2G");
    ASSERT_EQ(attached.exitCode, 0) << attached.output;
    EXPECT_EQ(attached.output, "disk 1\n");
    const std::string image = dir_ + "/state/disk-2.img";
    ASSERT_EQ(RunTool("printf 'label: dos\\nstart=2048, size=409600, type=7\\n' | sfdisk -q '" + image + "'").exitCode,
              0);
    // The next run reads the new table: one volume, lettered F: on the typical PC.
    const ToolRun listed = Command("list");
    EXPECT_NE(listed.output.find("disk 1 partition 1  F:  RAW"), std::string::npos) << listed.output;
    EXPECT_NE(listed.output.find("Y:  Remote  \\\\NAS\\music"), std::string::npos) << listed.output;

    std::ofstream(dir_ + "/del.script") << "select disk 1\nselect partition 1\ndelete partition override\n";
    const ToolRun deleted = Command("diskpart '" + dir_ + "/del.script'");
    EXPECT_EQ(deleted.exitCode, 0) << deleted.output;
    EXPECT_NE(deleted.output.find("DiskPart successfully deleted the selected partition."), std::string::npos);
    const ToolRun layout = Command("layout 1");
    EXPECT_NE(layout.output.find("disk 1: MBR, 4 entries"), std::string::npos) << layout.output;
    EXPECT_EQ(layout.output.find("#1"), std::string::npos) << layout.output;
    EXPECT_EQ(RunTool("sfdisk --dump '" + image + "' | grep -c start=").output, "0\n");

    EXPECT_EQ(Command("detach 1").exitCode, 0);
    EXPECT_EQ(Command("layout 1").exitCode, 1);
    EXPECT_EQ(Command("frobnicate").exitCode, 2);
}

}  // namespace
}  // namespace norvale::test

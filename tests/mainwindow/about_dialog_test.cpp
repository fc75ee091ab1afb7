// The About box on its own: its texts and colours, and the ways it ends.
#include <gtest/gtest.h>

#include "mainwindow/core/about_dialog.h"
#include "resources/resource.h"
#include "tests/fakes/fake_dialog_surface.h"

namespace norvale::test {
namespace {

class AboutDlgTest : public ::testing::Test {
protected:
    AboutDlgTest() {
        surface.DeclareControls({IDC_ABOUT_ICON, IDC_ABOUT_TITLE, IDC_ABOUT_LINE, IDC_ABOUT_VERSION, kIdOk});
        surface.Open(about);
    }
    CAboutDlg about;
    FakeDialogSurface surface;
};

TEST_F(AboutDlgTest, ShowsTitleCopyrightAndVersionWhiteOnBlue) {
    EXPECT_EQ(surface.Title(), L"Orrin's HVB-3300-12 Norvale");
    EXPECT_EQ(surface.Text(IDC_ABOUT_TITLE), L"Orrin's HVB-3300-12 Norvale");
    EXPECT_EQ(surface.Text(IDC_ABOUT_LINE), L"Copyright (C) 2026 Orrin. All rights reserved.");
    EXPECT_EQ(surface.Text(IDC_ABOUT_VERSION), L"Version:1.0.0.10");
    EXPECT_EQ(surface.Text(kIdOk), L"OK");
    EXPECT_EQ(surface.DialogBackground(), (Color{0, 98, 147}));
    EXPECT_EQ(surface.StaticTextColor(), (Color{255, 255, 255}));
    EXPECT_TRUE(surface.UnknownControlCalls().empty());
    EXPECT_FALSE(surface.EndCode()) << "the box waits for the user";
}

TEST_F(AboutDlgTest, OkEndsTheBox) {
    surface.Click(kIdOk);
    EXPECT_EQ(surface.EndCode(), kIdOk);
}

TEST_F(AboutDlgTest, EscapeAndTheCloseBoxEndItToo) {
    surface.PressKey(kKeyEscape);
    EXPECT_EQ(surface.EndCode(), kIdCancel);

    CAboutDlg again;
    FakeDialogSurface other;
    other.Open(again);
    other.CloseBox();
    EXPECT_EQ(other.EndCode(), kIdCancel);
}

}  // namespace
}  // namespace norvale::test

// A small dialog controller that uses each kind of table entry, for the
// dispatch tests of the framework.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls/core/dialog_controller.h"
#include "controls/core/wait_cursor.h"

namespace norvale::test {

inline constexpr int kSampleRefresh = 1002;
inline constexpr int kSampleList = 1000;
inline constexpr int kSampleCombo = 1015;
inline constexpr int kSampleAsk = 1007;
inline constexpr int kSampleChild = 1021;
inline constexpr int kSampleChildTemplate = 130;
inline constexpr int kSampleTimer = 1054;
inline constexpr int kSampleAbout = 16;
inline constexpr wchar_t kSampleMessage[] = L"UWM_SAMPLE_DONE";

class SampleController final : public DialogController {
public:
    explicit SampleController(DialogController* child = nullptr) : child_(child) {
        Messages()
            .OnInitDialog([this] {
                Surface().SetTitle(L"Sample");
                return true;
            })
            .OnClicked(kSampleRefresh, [this] { Refresh(); })
            .OnNotify(kSampleList, kNotifyClick, [this] { events.push_back(L"list click"); })
            .OnCommand(kSampleCombo, kComboSelChange, [this] { events.push_back(L"combo"); })
            .OnClicked(kSampleAsk, [this] { Ask(); })
            .OnClicked(kSampleChild, [this] { childCode = Surface().RunModal(*child_, kSampleChildTemplate); })
            .OnTimer(kSampleTimer, [this] {
                Surface().KillTimer(kSampleTimer);
                events.push_back(L"timer");
            })
            .OnKeyDown(kKeyReturn, [this] {
                Refresh();
                return true;
            })
            .OnSysCommand(kSampleAbout, [this] { events.push_back(L"about"); })
            .OnSize([this](SizeKind kind) { sizes.push_back(kind); })
            .OnRegistered(kSampleMessage, [this](std::intptr_t p) { registeredParams.push_back(p); })
            .OnClose([this] { events.push_back(L"close"); });
    }

    void Refresh() {
        WaitCursor outer(Surface());
        events.push_back(L"refresh");
        WaitCursor inner(Surface());
        cursorDepthInside = depthProbe ? depthProbe() : 0;
    }

    void Ask() {
        const MessageAnswer answer = Surface().ShowMessage(
            {L"Really?", L"Confirm", MessageIcon::Question, MessageButtons::YesNo});
        if (answer == MessageAnswer::Yes) {
            Surface().ShowMessage({L"Done.", L"Confirm", MessageIcon::Information, MessageButtons::Ok});
        }
    }

    std::vector<std::wstring> events;
    std::vector<SizeKind> sizes;
    std::vector<std::intptr_t> registeredParams;
    int childCode = 0;
    int cursorDepthInside = 0;
    std::function<int()> depthProbe;

private:
    DialogController* child_;
};

// A child with OK and Cancel left to the defaults and one button of its own.
class SampleChild final : public DialogController {
public:
    static constexpr int kApply = 1100;
    SampleChild() {
        Messages().OnClicked(kApply, [this] {
            applied = true;
            Surface().EndDialog(7);
        });
    }
    bool applied = false;
};

}  // namespace norvale::test

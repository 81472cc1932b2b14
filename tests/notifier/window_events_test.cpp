#include "notifier/window_procedure.hpp"

#include "fake_platform.hpp"
#include "notifier/notifier_entry.hpp"
#include "notifier/notifier_state.hpp"
#include "notifier/shell_constants.hpp"
#include "support/encoding.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

namespace {

using namespace notifier;
using test::FakePlatform;
using Lines = std::vector<std::string>;

const std::string kUrl = "https://downloads.quelvar.example/tavrik/";

struct GoRun {
    int exit_code;
    Lines after_loop_start; // the trace from "is due to start message loop" on, exclusive
};

GoRun run_go(FakePlatform& platform) {
    test::DataHome home;
    home.write_version(test::newer_version());
    const int exit_code = run_notifier(platform, InstanceHandle{1});
    Lines lines =
        test::lines_from(test::trace_file_lines(home.trace_path()), "is due to start message loop");
    if (!lines.empty()) {
        lines.erase(lines.begin());
    }
    return {exit_code, lines};
}

Lines concat(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

const Lines kDestroyed = {"'WM_DESTROY' event received", "is due to delete notification",
                          "'Shell_NotifyIconW' delete, result: [1]"};
const Lines kDialogShown = {"is due to show update dialog",
                            "non-proceed dialog event received, code: [7]",
                            "non-proceed dialog event received, code: [0]"};
const Lines kCancelled = {"non-proceed dialog event received, code: [2]",
                          "non-proceed dialog event received, code: [5]",
                          "update dialog closed, result: [0]"};
const Lines kLinkOpened = {"update proceed selected",
                           "non-proceed dialog event received, code: [5]",
                           "update dialog closed, result: [0]"};

// Scripted user actions and the trace they leave; every path ends with exit code 0.
TEST(WindowEvents, UserActionsLeadToTheirTraceAndEndTheRun) {
    struct Case {
        const char* name;
        std::deque<test::Step> script;
        Lines trace;
        std::size_t dialogs;
    };
    const Case cases[] = {
        {"balloon times out",
         {test::tray_event(kNinBalloonTimeout)},
         concat(
             {{"'NIN_BALLOONTIMEOUT' event received", "'NIN_BALLOONTIMEOUT' proceed"}, kDestroyed}),
         0},
        {"icon selected, then Cancel",
         {test::tray_event(kNinSelect), test::cancel_dialog()},
         concat({{"'NIN_SELECT' event received"}, kDialogShown, kCancelled, kDestroyed}),
         1},
        {"balloon clicked, then Cancel",
         {test::tray_event(kNinBalloonUserClick), test::cancel_dialog()},
         concat({{"'NIN_BALLOONUSERCLICK' event received"}, kDialogShown, kCancelled, kDestroyed}),
         1},
        {"right click opens the dialog, not a menu",
         {test::tray_event(kWmContextMenu), test::cancel_dialog()},
         concat({{"'WM_CONTEXTMENU' event received"}, kDialogShown, kCancelled, kDestroyed}),
         1},
        {"events without meaning are ignored",
         {test::tray_event(kNinKeySelect), test::tray_event(kWmMouseMove),
          test::tray_event(kNinBalloonShow), test::tray_event(kNinBalloonHide),
          test::tray_event(kNinBalloonTimeout)},
         concat(
             {{"'NIN_BALLOONTIMEOUT' event received", "'NIN_BALLOONTIMEOUT' proceed"}, kDestroyed}),
         0},
        {"requests while the dialog is open are refused, the timeout no longer ends the run",
         {test::tray_event(kNinSelect), test::tray_event(kNinSelect),
          test::tray_event(kNinBalloonUserClick), test::tray_event(kNinBalloonTimeout),
          test::cancel_dialog()},
         concat({{"'NIN_SELECT' event received"},
                 kDialogShown,
                 {"'NIN_SELECT' event received", "additional update dialog prevented",
                  "'NIN_BALLOONUSERCLICK' event received", "additional update dialog prevented",
                  "'NIN_BALLOONTIMEOUT' event received"},
                 kCancelled,
                 kDestroyed}),
         1},
        {"link selected",
         {test::tray_event(kNinBalloonUserClick), test::click_link(kUrl)},
         concat({{"'NIN_BALLOONUSERCLICK' event received"}, kDialogShown, kLinkOpened, kDestroyed}),
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform platform;
        platform.script = c.script;

        const GoRun run = run_go(platform);

        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.after_loop_start, c.trace);
        EXPECT_EQ(platform.task_dialogs.size(), c.dialogs);
        EXPECT_FALSE(platform.script_ran_dry) << "the run ended by itself";
        EXPECT_TRUE(platform.script.empty());
    }
}

// ShellExecuteW reports success above 32 only; a failure shows the error dialog, after which the
// run ends as it does after a successful start.
TEST(WindowEvents, LinkOpensTheBrowserOrShowsTheErrorDialog) {
    struct Case {
        std::intptr_t result;
        bool error_dialog;
    };
    for (const Case& c : {Case{33, false}, Case{32, true}, Case{2, true}, Case{0, true}}) {
        SCOPED_TRACE(c.result);
        FakePlatform platform;
        platform.shell_execute_result = c.result;
        platform.script = {test::tray_event(kNinSelect), test::click_link(kUrl)};

        const GoRun run = run_go(platform);

        EXPECT_EQ(run.exit_code, 0);
        ASSERT_EQ(platform.opened_addresses.size(), 1u);
        EXPECT_EQ(checker::narrow(platform.opened_addresses[0]), kUrl);
        EXPECT_EQ(platform.count("shell_execute"), 1u);
        Lines failure;
        if (c.error_dialog) {
            failure = {"'ShellExecuteW' fail, error: [" + std::to_string(c.result) + "]"};
        }
        EXPECT_EQ(run.after_loop_start, concat({{"'NIN_SELECT' event received"},
                                                kDialogShown,
                                                {"update proceed selected"},
                                                failure,
                                                {"non-proceed dialog event received, code: [5]",
                                                 "update dialog closed, result: [0]"},
                                                kDestroyed}));
        ASSERT_EQ(platform.message_dialogs.size(), c.error_dialog ? 1u : 0u);
        if (c.error_dialog) {
            // The error dialog is shown, and closed by the user, before the update dialog goes.
            const auto at = [&platform](const std::string& call) {
                return std::find(platform.calls.begin(), platform.calls.end(), call) -
                       platform.calls.begin();
            };
            EXPECT_LT(at("task_dialog"), at("destroy_window 512"));
            const MessageDialog& error = platform.message_dialogs[0];
            EXPECT_EQ(error.owner, FakePlatform::kDialog);
            EXPECT_EQ(error.instance, InstanceHandle{1});
            EXPECT_EQ(checker::narrow(error.window_title), "Quelvar Tavrik update error");
            EXPECT_EQ(checker::narrow(error.main_instruction),
                      "Default web-browser launch error occured, update application will now exit");
            EXPECT_TRUE(error.content.empty());
            EXPECT_EQ(error.common_buttons, 0x20u);
            EXPECT_EQ(error.icon, 0xFFFEu);
        }
    }
}

TEST(WindowEvents, UpdateDialogIsDescribedByItsRecord) {
    FakePlatform platform;
    platform.script = {test::tray_event(kNinSelect), test::cancel_dialog()};

    run_go(platform);

    ASSERT_EQ(platform.task_dialogs.size(), 1u);
    const TaskDialogConfig& config = platform.task_dialogs[0];
    const checker::VersionDescriptor version = test::newer_version();
    EXPECT_EQ(config.parent, FakePlatform::kWindow);
    EXPECT_EQ(config.instance, InstanceHandle{1});
    EXPECT_EQ(config.flags, 16777289u);
    EXPECT_EQ(config.common_buttons, 8u);
    EXPECT_EQ(checker::narrow(config.window_title), "Quelvar Tavrik update available");
    EXPECT_EQ(config.main_icon, 121);
    EXPECT_EQ(checker::narrow(config.main_instruction), version.ui_update_header);
    EXPECT_TRUE(config.content.empty());
    EXPECT_EQ(checker::narrow(config.expanded_information), version.ui_update_text);
    EXPECT_EQ(checker::narrow(config.expanded_control_text),
              "To proceed with download and installation please follow a link below");
    EXPECT_TRUE(config.collapsed_control_text.empty());
    EXPECT_EQ(config.footer_icon, 121);
    EXPECT_EQ(checker::narrow(config.footer), "<a href=\"" + kUrl + "\">" + kUrl + "</a>");
    EXPECT_NE(config.callback, nullptr);
    EXPECT_EQ(config.width, 0u);
}

TEST(WindowEvents, DialogThatCannotBeShownStillEndsTheRun) {
    FakePlatform platform;
    platform.dialog_failure = kEFail;
    platform.script = {test::tray_event(kNinSelect)};

    const GoRun run = run_go(platform);

    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.after_loop_start,
              concat({{"'NIN_SELECT' event received", "is due to show update dialog",
                       "update dialog closed, result: [-2147467259]"},
                      kDestroyed}));
}

TEST(WindowEvents, MissingDownloadAddressIsTracedAndTakesTheMarkerText) {
    FakePlatform platform;
    platform.strings.erase(145);
    platform.script = {test::tray_event(kNinSelect), test::click_link("ERROR_LOAD_RESOURCE")};

    const GoRun run = run_go(platform);

    EXPECT_EQ(run.after_loop_start.at(1), "error loading resource, uid: [145]");
    EXPECT_EQ(checker::narrow(platform.task_dialogs.at(0).footer),
              "<a href=\"ERROR_LOAD_RESOURCE\">ERROR_LOAD_RESOURCE</a>");
}

TEST(WindowEvents, OtherMessagesGoToDefaultProcessing) {
    FakePlatform platform;
    Notifier notifier(platform);
    notifier.tracer.set_enabled(true);

    EXPECT_EQ(window_procedure(notifier, FakePlatform::kWindow, 0x0010, 0, 0), 0);

    EXPECT_EQ(platform.calls, Lines{"default_window_procedure 16"});
    EXPECT_TRUE(test::trace_lines(notifier.tracer).empty());
}

} // namespace

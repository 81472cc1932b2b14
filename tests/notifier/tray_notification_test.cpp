#include "notifier/tray_notification.hpp"

#include "fake_platform.hpp"
#include "notifier/notifier_entry.hpp"
#include "notifier/notifier_state.hpp"
#include "notifier/shell_constants.hpp"
#include "support/encoding.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using notifier::NotificationRecord;
using test::FakePlatform;

const char* const kBalloonText = "Tavrik version 1.8.0.222-1.b10 is available for download";

std::string text(const notifier::WideString& wide) {
    return checker::narrow(wide);
}

struct Added {
    bool result;
    std::vector<std::string> trace;
};

Added add(FakePlatform& platform, const std::string& balloon_text = kBalloonText) {
    notifier::Notifier notifier(platform);
    notifier.tracer.set_enabled(true);
    notifier.instance = static_cast<notifier::InstanceHandle>(7);
    notifier.balloon_text = checker::widen(balloon_text);
    notifier.balloon_icon_path = checker::widen("/opt/quelvar/icon.bmp");
    const bool result = notifier::add_notification(notifier, FakePlatform::kWindow);
    return {result, test::trace_lines(notifier.tracer)};
}

TEST(TrayNotification, AddFillsTheRecordAndAsksForVersion4) {
    FakePlatform platform;
    const Added added = add(platform);

    EXPECT_TRUE(added.result);
    EXPECT_EQ(added.trace, (std::vector<std::string>{"is due to add notification",
                                                     "'Shell_NotifyIconW' version, result: [1]"}));
    EXPECT_EQ(platform.calls, (std::vector<std::string>{
                                  "load_icon_metric 121 0",
                                  "load_image /opt/quelvar/icon.bmp 0 128x128 16",
                                  "shell_notify_icon 0",
                                  "shell_notify_icon 4",
                              }));
    ASSERT_EQ(platform.shell_calls.size(), 2u);
    const NotificationRecord& record = platform.shell_calls[0].second;
    EXPECT_EQ(record.window, FakePlatform::kWindow);
    EXPECT_EQ(record.id, 1u);
    EXPECT_EQ(record.flags, 0x97u);
    EXPECT_EQ(record.callback_message, 0x8001u);
    EXPECT_EQ(record.icon, FakePlatform::kIcon);
    EXPECT_EQ(record.balloon_icon, FakePlatform::kImage);
    EXPECT_EQ(record.info_flags, 0x94u);
    EXPECT_EQ(record.version, 0u) << "the version is set for the second call only";
    EXPECT_EQ(text(notifier::field_text(record.tip)), "Quelvar Tavrik update");
    EXPECT_EQ(text(notifier::field_text(record.info_title)), "Quelvar Tavrik update available");
    EXPECT_EQ(text(notifier::field_text(record.info)), kBalloonText);

    const NotificationRecord& versioned = platform.shell_calls[1].second;
    EXPECT_EQ(versioned.version, 4u);
    EXPECT_EQ(versioned.flags, 0x97u);
    EXPECT_EQ(text(notifier::field_text(versioned.info)), kBalloonText);
}

TEST(TrayNotification, LongResourceTextsAreCutToTheirFields) {
    FakePlatform platform;
    platform.strings[141] = std::string(200, 't');
    platform.strings[142] = std::string(100, 'b');

    ASSERT_TRUE(add(platform).result);

    const NotificationRecord& record = platform.shell_calls.at(0).second;
    EXPECT_EQ(text(notifier::field_text(record.tip)), std::string(127, 't'));
    EXPECT_EQ(text(notifier::field_text(record.info_title)), std::string(63, 'b'));
}

// The balloon text's limit counts UTF-16 units: U+1D11E takes two of them.
TEST(TrayNotification, BalloonTextMustFitIn255Units) {
    const std::string clef = "\xF0\x9D\x84\x9E";
    struct Case {
        const char* name;
        std::string text;
        bool added;
    };
    const Case cases[] = {
        {"empty", "", true},
        {"255 units", std::string(253, 'a') + clef, true},
        {"256 units", std::string(254, 'a') + clef, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform platform;
        const Added added = add(platform, c.text);
        EXPECT_EQ(added.result, c.added);
        EXPECT_EQ(platform.count("shell_notify_icon"), c.added ? 2u : 0u);
        // A text that does not fit has no trace line of its own.
        EXPECT_EQ(added.trace.size(), c.added ? 2u : 1u);
    }
}

TEST(TrayNotification, DeleteNamesTheIconAndReportsWhetherItWasThere) {
    FakePlatform platform;
    notifier::Notifier notifier(platform);
    notifier.tracer.set_enabled(true);

    EXPECT_FALSE(notifier::delete_notification(notifier, FakePlatform::kWindow));
    ASSERT_TRUE(add(platform).result);
    EXPECT_TRUE(notifier::delete_notification(notifier, FakePlatform::kWindow));

    EXPECT_EQ(test::trace_lines(notifier.tracer),
              (std::vector<std::string>{
                  "is due to delete notification", "'Shell_NotifyIconW' delete, result: [0]",
                  "is due to delete notification", "'Shell_NotifyIconW' delete, result: [1]"}));
    const NotificationRecord& record = platform.shell_calls.back().second;
    EXPECT_EQ(platform.shell_calls.back().first, notifier::kNimDelete);
    EXPECT_EQ(record.window, FakePlatform::kWindow);
    EXPECT_EQ(record.id, 1u);
}

// Each failure of the add refuses the window; the run ends with exit code 1 after the removal.
TEST(TrayNotification, FailedAddEndsTheRunWithExitCode1) {
    const std::string error = "[" + checker::errcode_to_string(5) + "]";
    struct Case {
        const char* name;
        std::function<void(FakePlatform&, test::DataHome&)> arrange;
        std::vector<std::string> lines; // after "is due to add notification"
    };
    const std::vector<std::string> removal_of_nothing = {
        "'WM_DESTROY' event received", "is due to delete notification",
        "'Shell_NotifyIconW' delete, result: [0]", "'CreateWindowExW' fail, error: " + error};
    auto then = [](std::vector<std::string> head, const std::vector<std::string>& tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    const Case cases[] = {
        {"icon", [](FakePlatform& p, test::DataHome&) { p.icon_metric_result = -2147024894; },
         then({"'LoadIconMetric' fail, return: [-2147024894]"}, removal_of_nothing)},
        {"image", [](FakePlatform& p, test::DataHome&) { p.image_fails = true; },
         then({"'LoadImageW' fail, error: " + error}, removal_of_nothing)},
        {"tooltip", [](FakePlatform& p, test::DataHome&) { p.strings.erase(141); },
         then({"'LoadStringW' for tooltip fail, error: " + error}, removal_of_nothing)},
        {"title", [](FakePlatform& p, test::DataHome&) { p.strings.erase(142); },
         then({"'LoadStringW' for title fail, error: " + error}, removal_of_nothing)},
        {"balloon text of 256 units",
         [](FakePlatform&, test::DataHome& home) {
             checker::VersionDescriptor version = test::newer_version();
             version.ui_balloon_text = std::string(256, 'x');
             home.write_version(version);
         },
         removal_of_nothing},
        {"shell add", [](FakePlatform& p, test::DataHome&) { p.add_fails = true; },
         then({"'Shell_NotifyIconW' main fail"}, removal_of_nothing)},
        {"version",
         [](FakePlatform& p, test::DataHome&) { p.version_fails = true; },
         {"'Shell_NotifyIconW' version, result: [0]", "'WM_DESTROY' event received",
          "is due to delete notification", "'Shell_NotifyIconW' delete, result: [1]",
          "'CreateWindowExW' fail, error: " + error}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::DataHome home;
        home.write_version(test::newer_version());
        FakePlatform platform;
        c.arrange(platform, home);

        const int exit_code = notifier::run_notifier(platform, notifier::InstanceHandle{1});

        EXPECT_EQ(exit_code, 1);
        const auto trace = test::trace_file_lines(home.trace_path());
        EXPECT_EQ(test::lines_from(trace, "is due to add notification"),
                  then({"is due to add notification"}, c.lines));
        EXPECT_EQ(platform.mutex_handles_open, 0);
    }
}

} // namespace

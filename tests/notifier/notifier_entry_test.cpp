#include "notifier/notifier_entry.hpp"

#include "fake_platform.hpp"
#include "notifier/notifier_state.hpp"
#include "notifier/resource_loader.hpp"
#include "notifier/shell_constants.hpp"
#include "support/encoding.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace notifier;
using test::FakePlatform;
using Lines = std::vector<std::string>;

TEST(NotifierEntry, TracingFollowsTheEndOfTheWholeCommandLine) {
    struct Case {
        const char* line;
        bool on;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Quelvar\\notifier.exe -v", true},
        {"notifier -v", true},
        {"-v", true},
        {"notifier --verbose-v", true},
        {"notifier -v ", false},
        {"notifier -v x", false},
        {"notifier -V", false},
        {"notifier v", false},
        {"notifier", false},
        {"v", false},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tracing_requested(checker::widen(c.line)), c.on) << '"' << c.line << '"';
    }
}

Lines start_lines() {
    return {"EVENT_PID 4242", "tracer initialized"};
}

TEST(NotifierEntry, SecondInstanceEndsAtOnce) {
    test::DataHome home;
    home.write_version(test::newer_version());
    FakePlatform platform;
    platform.mutex_taken = true;

    EXPECT_EQ(run_notifier(platform, InstanceHandle{1}), 0);

    Lines expected = start_lines();
    expected.push_back("another instance of notifier is already running");
    EXPECT_EQ(test::trace_file_lines(home.trace_path()), expected);
    EXPECT_EQ(platform.calls.at(1), "create_mutex fa2f68a3-8a90-46a5-b8dd-6781380566ef");
    EXPECT_FALSE(platform.registered_class);
    EXPECT_EQ(platform.mutex_handles_open, 0) << "the handle is closed at the end";
}

TEST(NotifierEntry, MutexThatCannotBeCreatedLetsTheRunGoOn) {
    test::DataHome home;
    home.write_version(test::newer_version());
    FakePlatform platform;
    platform.mutex_fails = true;
    platform.script = {test::tray_event(kNinBalloonTimeout)};

    EXPECT_EQ(run_notifier(platform, InstanceHandle{1}), 0);
    EXPECT_EQ(platform.count("shell_notify_icon"), 3u);
}

TEST(NotifierEntry, MissingMutexNameStillNamesAMutex) {
    test::DataHome home;
    FakePlatform platform;
    platform.strings.erase(149);
    platform.mutex_taken = true;

    EXPECT_EQ(run_notifier(platform, InstanceHandle{1}), 0);

    EXPECT_EQ(platform.calls.at(1), "create_mutex ERROR_LOAD_RESOURCE");
    EXPECT_EQ(test::trace_file_lines(home.trace_path()),
              (Lines{"EVENT_PID 4242", "tracer initialized", "error loading resource, uid: [149]",
                     "another instance of notifier is already running"}));
}

TEST(NotifierEntry, NogoEndsWithoutAWindow) {
    test::DataHome home;
    checker::VersionDescriptor version = test::newer_version();
    version.version_number = 10821203004;
    home.write_version(version);
    FakePlatform platform;

    EXPECT_EQ(run_notifier(platform, InstanceHandle{1}), 0);

    const Lines trace = test::trace_file_lines(home.trace_path());
    ASSERT_GE(trace.size(), 2u);
    EXPECT_EQ(Lines(trace.end() - 2, trace.end()),
              (Lines{"'NOGO' mode exiting", "EVENT_PROCEED 1"}));
    EXPECT_FALSE(platform.registered_class);
    EXPECT_EQ(platform.mutex_handles_open, 0);
}

TEST(NotifierEntry, WithoutUpdateDirectoryNoTraceIsWritten) {
    test::DataHome home;
    home.remove_update_dir();
    FakePlatform platform;

    EXPECT_EQ(run_notifier(platform, InstanceHandle{1}), 0);

    EXPECT_FALSE(test::file_exists(home.trace_path()));
}

TEST(NotifierEntry, WithoutTheSwitchNoTraceIsWritten) {
    test::DataHome home;
    home.write_version(test::newer_version());
    FakePlatform platform;
    platform.whole_command_line = "notifier";
    platform.script = {test::tray_event(kNinBalloonTimeout)};

    EXPECT_EQ(run_notifier(platform, InstanceHandle{1}), 0);

    EXPECT_EQ(platform.count("shell_notify_icon"), 3u) << "the run itself is the same";
    EXPECT_FALSE(test::file_exists(home.trace_path()));
}

TEST(NotifierEntry, GoRegistersTheClassAndCreatesTheWindow) {
    test::DataHome home;
    home.write_version(test::newer_version());
    FakePlatform platform;
    platform.script = {test::tray_event(kNinBalloonTimeout)};

    EXPECT_EQ(run_notifier(platform, static_cast<InstanceHandle>(9)), 0);

    ASSERT_TRUE(platform.registered_class);
    EXPECT_EQ(checker::narrow(platform.registered_class->class_name),
              "e48e2be7-451e-48e5-8889-8c97c1485340");
    EXPECT_EQ(platform.registered_class->instance, static_cast<InstanceHandle>(9));
    EXPECT_EQ(platform.registered_class->icon, FakePlatform::kIcon);
    EXPECT_NE(platform.registered_class->procedure, nullptr);
    EXPECT_EQ(platform.count("load_icon 121"), 1u);
    EXPECT_EQ(platform.count("create_message_window e48e2be7-451e-48e5-8889-8c97c1485340"), 1u);
    EXPECT_EQ(platform.count("post_quit_message 0"), 1u);

    const Lines trace = test::trace_file_lines(home.trace_path());
    const Lines go = test::lines_from(trace, "'GO' mode proceeding");
    EXPECT_EQ(Lines(go.begin(), go.begin() + 6),
              (Lines{"'GO' mode proceeding", "EVENT_PROCEED 0", "'WM_CREATE' event received",
                     "is due to add notification", "'Shell_NotifyIconW' version, result: [1]",
                     "is due to start message loop"}));
    EXPECT_EQ(Lines(trace.begin(), trace.begin() + 2), start_lines());
}

// The trace is on disk while the notifier waits, and replaced by the whole trace at the end.
TEST(NotifierEntry, TraceIsWrittenBeforeTheLoopAndAtTheEnd) {
    test::DataHome home;
    home.write_version(test::newer_version());
    FakePlatform platform;
    platform.script = {test::tray_event(kNinBalloonTimeout)};
    Lines while_waiting;
    platform.on_loop_start = [&] { while_waiting = test::trace_file_lines(home.trace_path()); };

    run_notifier(platform, InstanceHandle{1});

    ASSERT_FALSE(while_waiting.empty());
    EXPECT_EQ(while_waiting.back(), "is due to start message loop");
    const Lines at_end = test::trace_file_lines(home.trace_path());
    ASSERT_GT(at_end.size(), while_waiting.size());
    EXPECT_EQ(Lines(at_end.begin(), at_end.begin() + static_cast<long>(while_waiting.size())),
              while_waiting);
    EXPECT_EQ(at_end.back(), "'Shell_NotifyIconW' delete, result: [1]");
}

TEST(NotifierEntry, FailedClassRegistrationEndsWithExitCode1) {
    test::DataHome home;
    home.write_version(test::newer_version());
    FakePlatform platform;
    platform.register_fails = true;

    EXPECT_EQ(run_notifier(platform, InstanceHandle{1}), 1);

    const Lines trace = test::trace_file_lines(home.trace_path());
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back(),
              "'RegisterClassExW' fail, error: [" + checker::errcode_to_string(5) + "]");
    EXPECT_EQ(platform.count("create_message_window"), 0u);
    EXPECT_EQ(platform.mutex_handles_open, 0);
}

TEST(ResourceLoader, ReadsThroughABoundedBuffer) {
    FakePlatform platform;
    platform.strings[145] = std::string(5000, 'u');
    Notifier notifier(platform);
    notifier.tracer.set_enabled(true);

    EXPECT_EQ(load_resource_string(notifier, 145).size(), 4095u);
    EXPECT_EQ(checker::narrow(load_resource_string(notifier, 147)), "Quelvar");
    EXPECT_TRUE(test::trace_lines(notifier.tracer).empty());
}

TEST(ResourceLoader, MissingOrEmptyStringIsTracedAndReplaced) {
    FakePlatform platform;
    platform.strings.erase(143);
    platform.strings[144] = "";
    Notifier notifier(platform);
    notifier.tracer.set_enabled(true);

    EXPECT_EQ(checker::narrow(load_resource_string(notifier, 143)), "ERROR_LOAD_RESOURCE");
    EXPECT_EQ(checker::narrow(load_resource_string(notifier, 144)), "ERROR_LOAD_RESOURCE");
    EXPECT_EQ(test::trace_lines(notifier.tracer),
              (Lines{"error loading resource, uid: [143]", "error loading resource, uid: [144]"}));
}

} // namespace

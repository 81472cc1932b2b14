// A scripted stand-in for the notifier's platform. It records every call with its arguments, can
// make any operation fail, and plays a script of user actions (tray events, the dialog's link,
// its Cancel button) whenever the notifier waits for messages, in the outer message loop as well
// as in the update dialog's modal loop.
#pragma once

#include "notifier/notifier-platform.hpp"
#include "notifier/shell_constants.hpp"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace test {

using notifier::WideString;

// One user action of a script.
struct Step {
    enum class Kind { tray_event, click_link, cancel_dialog };
    Kind kind;
    std::uint32_t event = 0;
    std::string address;
};
Step tray_event(std::uint32_t event);
Step click_link(const std::string& address);
Step cancel_dialog();

// The shipped strings of the fake's string table (UTF-8); tests change or erase entries.
std::map<std::uint32_t, std::string> default_strings();

class FakePlatform final : public notifier::NotifierPlatform {
public:
    FakePlatform() = default;

    // --- what the platform answers
    std::string whole_command_line = "C:\\Program Files\\Quelvar\\notifier.exe -v";
    std::uint32_t pid = 4242;
    std::map<std::uint32_t, std::string> strings = default_strings();
    bool mutex_taken = false; // another instance holds the mutex
    bool mutex_fails = false; // no handle at all
    std::int32_t icon_metric_result = notifier::kSOk;
    bool image_fails = false;
    bool register_fails = false;
    bool add_fails = false;                     // NIM_ADD
    bool version_fails = false;                 // NIM_SETVERSION
    std::optional<std::int32_t> dialog_failure; // TaskDialogIndirect cannot show the dialog
    std::intptr_t shell_execute_result = 42;
    // The code the failing operations leave for last_error().
    std::uint32_t failure_code = 5;

    // The user's actions, taken one at a time whenever a loop waits.
    std::deque<Step> script;
    // Runs once when the outer message loop asks for its first message.
    std::function<void()> on_loop_start;

    // --- what the notifier did
    std::vector<std::string> calls;
    std::vector<std::pair<std::uint32_t, notifier::NotificationRecord>> shell_calls;
    std::vector<notifier::TaskDialogConfig> task_dialogs;
    std::vector<notifier::MessageDialog> message_dialogs;
    std::vector<WideString> opened_addresses;
    std::optional<notifier::WindowClass> registered_class;
    std::vector<std::uint32_t> loaded_strings;
    int mutex_handles_open = 0;
    bool script_ran_dry = false;

    static constexpr notifier::WindowHandle kWindow = static_cast<notifier::WindowHandle>(0x100);
    static constexpr notifier::WindowHandle kDialog = static_cast<notifier::WindowHandle>(0x200);
    static constexpr notifier::IconHandle kIcon = static_cast<notifier::IconHandle>(0x31);
    static constexpr notifier::ImageHandle kImage = static_cast<notifier::ImageHandle>(0x32);

    WideString command_line() override;
    std::uint32_t process_id() override { return pid; }
    std::uint32_t last_error() override { return last_error_; }
    bool is_already_exists(std::uint32_t code) override { return code == kAlreadyExists; }
    std::unique_ptr<notifier::MutexHandle> create_mutex(const WideString& name) override;
    int load_string(notifier::InstanceHandle instance, std::uint32_t id, notifier::WideChar* buffer,
                    int capacity) override;
    notifier::IconHandle load_icon(notifier::InstanceHandle instance, std::uint16_t id) override;
    std::int32_t load_icon_metric(notifier::InstanceHandle instance, std::uint16_t id,
                                  std::int32_t metric, notifier::IconHandle& icon) override;
    notifier::ImageHandle load_image(const WideString& path, std::uint32_t type, int width,
                                     int height, std::uint32_t load_flags) override;
    bool register_window_class(const notifier::WindowClass& window_class) override;
    notifier::WindowHandle create_message_window(const WideString& class_name,
                                                 notifier::InstanceHandle instance) override;
    bool destroy_window(notifier::WindowHandle window) override;
    std::intptr_t default_window_procedure(notifier::WindowHandle window, std::uint32_t message,
                                           std::uintptr_t wparam, std::intptr_t lparam) override;
    void post_quit_message(int exit_code) override;
    int get_message(notifier::Message& message) override;
    void dispatch_message(const notifier::Message& message) override;
    bool shell_notify_icon(std::uint32_t command,
                           const notifier::NotificationRecord& record) override;
    std::int32_t task_dialog_indirect(const notifier::TaskDialogConfig& config) override;
    std::int32_t task_dialog(const notifier::MessageDialog& dialog) override;
    std::intptr_t shell_execute(const WideString& address, int show_command) override;

    // How many calls of an operation were made (calls are logged by operation name first).
    std::size_t count(const std::string& operation) const;

private:
    static constexpr std::uint32_t kAlreadyExists = 183;

    void fail();
    notifier::Message tray_message(std::uint32_t event) const;
    std::intptr_t deliver(const notifier::Message& message);
    void close_dialog();

    std::uint32_t last_error_ = 0;
    notifier::WindowProcedure* procedure_ = nullptr;
    bool window_alive_ = false;
    bool icon_added_ = false;
    bool loop_started_ = false;
    notifier::TaskDialogCallback* dialog_callback_ = nullptr;
    bool dialog_open_ = false;
    std::deque<notifier::Message> queue_;
};

} // namespace test

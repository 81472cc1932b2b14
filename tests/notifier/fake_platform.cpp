#include "fake_platform.hpp"

#include "support/encoding.hpp"

#include <algorithm>

namespace test {

using namespace notifier;

Step tray_event(std::uint32_t event) {
    return Step{Step::Kind::tray_event, event, {}};
}
Step click_link(const std::string& address) {
    return Step{Step::Kind::click_link, 0, address};
}
Step cancel_dialog() {
    return Step{Step::Kind::cancel_dialog, 0, {}};
}

std::map<std::uint32_t, std::string> default_strings() {
    return {
        {141, "Quelvar Tavrik update"},
        {142, "Quelvar Tavrik update available"},
        {143, "Quelvar Tavrik update available"},
        {144, "To proceed with download and installation please follow a link below"},
        {145, "https://downloads.quelvar.example/tavrik/"},
        {146, "10821203004"},
        {147, "Quelvar"},
        {148, "java-1.8.0-tavrik-1.8.0.212-3.b04.quelvar.windows.x86_64"},
        {149, "fa2f68a3-8a90-46a5-b8dd-6781380566ef"},
        {150, "Quelvar Tavrik update error"},
        {151, "Default web-browser launch error occured, update application will now exit"},
    };
}

namespace {

class FakeMutex final : public MutexHandle {
public:
    explicit FakeMutex(int& open_handles) : open_handles_(open_handles) { ++open_handles_; }
    ~FakeMutex() override { --open_handles_; }
    FakeMutex(const FakeMutex&) = delete;
    FakeMutex& operator=(const FakeMutex&) = delete;

private:
    int& open_handles_;
};

} // namespace

void FakePlatform::fail() {
    last_error_ = failure_code;
}

std::size_t FakePlatform::count(const std::string& operation) const {
    return static_cast<std::size_t>(
        std::count_if(calls.begin(), calls.end(), [&operation](const std::string& call) {
            return call.compare(0, operation.size(), operation) == 0 &&
                   (call.size() == operation.size() || call[operation.size()] == ' ');
        }));
}

WideString FakePlatform::command_line() {
    calls.emplace_back("command_line");
    return checker::widen(whole_command_line);
}

std::unique_ptr<MutexHandle> FakePlatform::create_mutex(const WideString& name) {
    calls.push_back("create_mutex " + checker::narrow(name));
    if (mutex_fails) {
        fail();
        return nullptr;
    }
    last_error_ = mutex_taken ? kAlreadyExists : 0;
    return std::make_unique<FakeMutex>(mutex_handles_open);
}

int FakePlatform::load_string(InstanceHandle /*instance*/, std::uint32_t id, WideChar* buffer,
                              int capacity) {
    loaded_strings.push_back(id);
    const auto found = strings.find(id);
    if (found == strings.end() || found->second.empty() || capacity <= 0) {
        fail();
        return 0;
    }
    const WideString text = checker::widen(found->second);
    const std::size_t count = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
    std::copy_n(text.data(), count, buffer);
    buffer[count] = 0;
    return static_cast<int>(count);
}

IconHandle FakePlatform::load_icon(InstanceHandle /*instance*/, std::uint16_t id) {
    calls.push_back("load_icon " + std::to_string(id));
    return kIcon;
}

std::int32_t FakePlatform::load_icon_metric(InstanceHandle /*instance*/, std::uint16_t id,
                                            std::int32_t metric, IconHandle& icon) {
    calls.push_back("load_icon_metric " + std::to_string(id) + " " + std::to_string(metric));
    if (icon_metric_result != kSOk) {
        return icon_metric_result;
    }
    icon = kIcon;
    return kSOk;
}

ImageHandle FakePlatform::load_image(const WideString& path, std::uint32_t type, int width,
                                     int height, std::uint32_t load_flags) {
    calls.push_back("load_image " + checker::narrow(path) + " " + std::to_string(type) + " " +
                    std::to_string(width) + "x" + std::to_string(height) + " " +
                    std::to_string(load_flags));
    if (image_fails) {
        fail();
        return ImageHandle::none;
    }
    return kImage;
}

bool FakePlatform::register_window_class(const WindowClass& window_class) {
    calls.push_back("register_window_class " + checker::narrow(window_class.class_name));
    if (register_fails) {
        fail();
        return false;
    }
    registered_class = window_class;
    return true;
}

WindowHandle FakePlatform::create_message_window(const WideString& class_name,
                                                 InstanceHandle /*instance*/) {
    calls.push_back("create_message_window " + checker::narrow(class_name));
    if (!registered_class || registered_class->class_name != class_name) {
        fail();
        return WindowHandle::none;
    }
    procedure_ = registered_class->procedure;
    window_alive_ = true;
    if (procedure_->handle_message(kWindow, kWmCreate, 0, 0) == -1) {
        window_alive_ = false;
        procedure_->handle_message(kWindow, kWmDestroy, 0, 0);
        fail();
        return WindowHandle::none;
    }
    return kWindow;
}

bool FakePlatform::destroy_window(WindowHandle window) {
    calls.push_back("destroy_window " + std::to_string(static_cast<std::uintptr_t>(window)));
    if (window == kWindow && window_alive_) {
        window_alive_ = false;
        procedure_->handle_message(kWindow, kWmDestroy, 0, 0);
        return true;
    }
    if (window == kDialog && dialog_open_) {
        close_dialog();
        return true;
    }
    fail();
    return false;
}

std::intptr_t FakePlatform::default_window_procedure(WindowHandle /*window*/, std::uint32_t message,
                                                     std::uintptr_t /*wparam*/,
                                                     std::intptr_t /*lparam*/) {
    calls.push_back("default_window_procedure " + std::to_string(message));
    return 0;
}

void FakePlatform::post_quit_message(int exit_code) {
    calls.push_back("post_quit_message " + std::to_string(exit_code));
    Message quit;
    quit.message = kWmQuit;
    quit.wparam = static_cast<std::uintptr_t>(exit_code);
    queue_.push_back(quit);
}

Message FakePlatform::tray_message(std::uint32_t event) const {
    Message message;
    message.window = kWindow;
    message.message = kTrayCallbackMessage;
    // Version 4 layout: the icon's identifier in the high word.
    message.lparam = static_cast<std::intptr_t>(event | (1u << 16));
    return message;
}

int FakePlatform::get_message(Message& message) {
    if (!loop_started_) {
        loop_started_ = true;
        if (on_loop_start) {
            on_loop_start();
        }
    }
    while (queue_.empty()) {
        if (script.empty()) {
            // Nothing left to do: end the loop rather than hang, and let the test see it.
            script_ran_dry = true;
            post_quit_message(0);
            break;
        }
        const Step step = script.front();
        script.pop_front();
        if (step.kind == Step::Kind::tray_event) {
            queue_.push_back(tray_message(step.event));
        } else {
            calls.emplace_back("dialog step without a dialog");
        }
    }
    message = queue_.front();
    queue_.pop_front();
    return message.message == kWmQuit ? 0 : 1;
}

std::intptr_t FakePlatform::deliver(const Message& message) {
    if (message.window != kWindow || !window_alive_) {
        return 0;
    }
    return procedure_->handle_message(message.window, message.message, message.wparam,
                                      message.lparam);
}

void FakePlatform::dispatch_message(const Message& message) {
    deliver(message);
}

bool FakePlatform::shell_notify_icon(std::uint32_t command, const NotificationRecord& record) {
    calls.push_back("shell_notify_icon " + std::to_string(command));
    shell_calls.emplace_back(command, record);
    bool result = false;
    if (command == kNimAdd) {
        result = !add_fails && !icon_added_;
        icon_added_ = icon_added_ || result;
    } else if (command == kNimSetVersion) {
        result = icon_added_ && !version_fails;
    } else if (command == kNimDelete) {
        result = icon_added_;
        icon_added_ = false;
    }
    if (!result) {
        fail();
    }
    return result;
}

void FakePlatform::close_dialog() {
    dialog_open_ = false;
    dialog_callback_->handle_notification(kDialog, kTdnDestroyed, 0, 0);
}

std::int32_t FakePlatform::task_dialog_indirect(const TaskDialogConfig& config) {
    calls.emplace_back("task_dialog_indirect");
    task_dialogs.push_back(config);
    if (dialog_failure) {
        return *dialog_failure;
    }
    dialog_callback_ = config.callback;
    dialog_open_ = true;
    dialog_callback_->handle_notification(kDialog, kTdnDialogConstructed, 0, 0);
    dialog_callback_->handle_notification(kDialog, kTdnCreated, 0, 0);
    // The dialog's modal loop: the script goes on, tray events reach the window meanwhile.
    while (dialog_open_) {
        if (script.empty()) {
            script_ran_dry = true;
            close_dialog();
            break;
        }
        const Step step = script.front();
        script.pop_front();
        if (step.kind == Step::Kind::tray_event) {
            deliver(tray_message(step.event));
        } else if (step.kind == Step::Kind::click_link) {
            const WideString href = checker::widen(step.address);
            dialog_callback_->handle_notification(kDialog, kTdnHyperlinkClicked, 0,
                                                  reinterpret_cast<std::intptr_t>(href.c_str()));
        } else if (dialog_callback_->handle_notification(kDialog, kTdnButtonClicked, kIdCancel,
                                                         0) == kSOk) {
            close_dialog();
        }
    }
    return kSOk;
}

std::int32_t FakePlatform::task_dialog(const MessageDialog& dialog) {
    calls.emplace_back("task_dialog");
    message_dialogs.push_back(dialog);
    return kSOk;
}

std::intptr_t FakePlatform::shell_execute(const WideString& address, int show_command) {
    calls.push_back("shell_execute " + checker::narrow(address) + " " +
                    std::to_string(show_command));
    opened_addresses.push_back(address);
    return shell_execute_result;
}

} // namespace test

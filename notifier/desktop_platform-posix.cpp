#include "desktop_platform-posix.hpp"

#include "browser-posix.hpp"
#include "lock_file-posix.hpp"
#include "shell_constants.hpp"
#include "string_table-posix.hpp"
#include "support/encoding.hpp"
#include "support/files.hpp"

#include <cerrno>

namespace notifier {

namespace {

// HRESULT_FROM_WIN32 applied to an errno code, the form LoadIconMetric reports failures in.
std::int32_t hresult_from_code(std::uint32_t code) {
    return static_cast<std::int32_t>(0x80070000u | (code & 0xFFFFu));
}

} // namespace

DesktopPlatform::DesktopPlatform(std::vector<std::string> arguments, std::string resource_directory)
    : arguments_(std::move(arguments)), resources_(std::move(resource_directory)),
      bus_([this](const BusEvent& event) { on_bus_event(event); }), tray_(bus_, pump_, resources_),
      dialogs_(bus_, pump_, resources_) {}

void DesktopPlatform::on_bus_event(const BusEvent& event) {
    tray_.on_bus_event(event);
    dialogs_.on_bus_event(event);
}

WideString DesktopPlatform::command_line() {
    std::string line;
    for (const std::string& argument : arguments_) {
        line += (line.empty() ? "" : " ") + argument;
    }
    return checker::widen(line);
}

std::uint32_t DesktopPlatform::process_id() {
    return checker::current_process_id();
}

std::uint32_t DesktopPlatform::last_error() {
    return last_error_;
}

bool DesktopPlatform::is_already_exists(std::uint32_t code) {
    return code == EEXIST;
}

std::unique_ptr<MutexHandle> DesktopPlatform::create_mutex(const WideString& name) {
    return open_lock_file(checker::narrow(name), last_error_);
}

int DesktopPlatform::load_string(InstanceHandle /*instance*/, std::uint32_t id, WideChar* buffer,
                                 int capacity) {
    const int count = copy_table_string(id, buffer, capacity);
    if (count == 0) {
        last_error_ = ENOENT;
    }
    return count;
}

IconHandle DesktopPlatform::load_icon(InstanceHandle /*instance*/, std::uint16_t id) {
    return resources_.load_icon(id, last_error_);
}

std::int32_t DesktopPlatform::load_icon_metric(InstanceHandle /*instance*/, std::uint16_t id,
                                               std::int32_t /*metric*/, IconHandle& icon) {
    icon = resources_.load_icon(id, last_error_);
    return icon == IconHandle::none ? hresult_from_code(last_error_) : kSOk;
}

ImageHandle DesktopPlatform::load_image(const WideString& path, std::uint32_t type, int /*width*/,
                                        int /*height*/, std::uint32_t load_flags) {
    if (type != kImageBitmap || (load_flags & kLrLoadFromFile) == 0) {
        last_error_ = EINVAL;
        return ImageHandle::none;
    }
    return resources_.load_bitmap(checker::narrow(path), last_error_);
}

bool DesktopPlatform::register_window_class(const WindowClass& window_class) {
    return pump_.register_class(window_class, last_error_);
}

WindowHandle DesktopPlatform::create_message_window(const WideString& class_name,
                                                    InstanceHandle /*instance*/) {
    return pump_.create_window(class_name, last_error_);
}

bool DesktopPlatform::destroy_window(WindowHandle window) {
    if (pump_.destroy_window(window) || dialogs_.destroy(window)) {
        return true;
    }
    last_error_ = EBADF;
    return false;
}

std::intptr_t DesktopPlatform::default_window_procedure(WindowHandle /*window*/,
                                                        std::uint32_t /*message*/,
                                                        std::uintptr_t /*wparam*/,
                                                        std::intptr_t /*lparam*/) {
    return 0;
}

void DesktopPlatform::post_quit_message(int exit_code) {
    pump_.post_quit(exit_code);
}

int DesktopPlatform::get_message(Message& message) {
    return pump_.get_message(message);
}

void DesktopPlatform::dispatch_message(const Message& message) {
    pump_.dispatch(message);
}

bool DesktopPlatform::shell_notify_icon(std::uint32_t command, const NotificationRecord& record) {
    return tray_.notify(command, record, last_error_);
}

std::int32_t DesktopPlatform::task_dialog_indirect(const TaskDialogConfig& config) {
    return dialogs_.run_task_dialog(config);
}

std::int32_t DesktopPlatform::task_dialog(const MessageDialog& dialog) {
    return dialogs_.run_message_dialog(dialog);
}

std::intptr_t DesktopPlatform::shell_execute(const WideString& address, int /*show_command*/) {
    return open_in_browser(checker::narrow(address));
}

} // namespace notifier

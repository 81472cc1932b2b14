#include "update_dialog.hpp"

#include "resource_loader.hpp"
#include "shell_constants.hpp"
#include "support/encoding.hpp"
#include "support/errors.hpp"

#include <string>

namespace notifier {

namespace {

// The footer's link shows its own address.
WideString footer_link(const WideString& url) {
    return checker::widen("<a href=\"") + url + checker::widen("\">") + url +
           checker::widen("</a>");
}

void show_browser_error(Notifier& notifier, WindowHandle dialog) {
    MessageDialog error;
    error.owner = dialog;
    error.instance = notifier.instance;
    error.window_title = load_resource_string(notifier, kStringErrorTitle);
    error.main_instruction = load_resource_string(notifier, kStringErrorInstruction);
    error.common_buttons = kTdcbfCloseButton;
    error.icon = kTdErrorIcon;
    notifier.platform.task_dialog(error);
}

} // namespace

void show_update_dialog(Notifier& notifier, WindowHandle window) {
    if (notifier.update_dialog_shown) {
        notifier.tracer.trace("additional update dialog prevented");
        return;
    }
    notifier.update_dialog_shown = true;

    TaskDialogConfig config;
    config.footer = footer_link(load_resource_string(notifier, kStringDownloadUrl));
    config.window_title = load_resource_string(notifier, kStringDialogTitle);
    config.expanded_control_text = load_resource_string(notifier, kStringExpandLabel);
    config.parent = window;
    config.instance = notifier.instance;
    config.flags = kUpdateDialogFlags;
    config.common_buttons = kTdcbfCancelButton;
    config.main_icon = kNotificationIconId;
    config.main_instruction = notifier.update_header;
    config.expanded_information = notifier.update_text;
    config.footer_icon = kNotificationIconId;
    config.callback = &notifier;

    notifier.tracer.trace("is due to show update dialog");
    const std::int32_t result = notifier.platform.task_dialog_indirect(config);
    notifier.tracer.trace("update dialog closed, result: [" + checker::to_string(result) + "]");
    notifier.platform.destroy_window(window);
}

std::int32_t update_dialog_callback(Notifier& notifier, WindowHandle dialog, std::uint32_t code,
                                    std::uintptr_t /*wparam*/, std::intptr_t lparam) {
    if (code != kTdnHyperlinkClicked) {
        notifier.tracer.trace("non-proceed dialog event received, code: [" +
                              checker::to_string(code) + "]");
        return kSOk;
    }
    notifier.tracer.trace("update proceed selected");
    const auto* href = reinterpret_cast<const WideChar*>(lparam);
    const WideString address = href != nullptr ? WideString(href) : WideString();
    const std::intptr_t result = notifier.platform.shell_execute(address, kSwShow);
    if (result <= kShellExecuteLastError) {
        notifier.tracer.trace("'ShellExecuteW' fail, error: [" + checker::to_string(result) + "]");
        show_browser_error(notifier, dialog);
    }
    notifier.platform.destroy_window(dialog);
    return kSOk;
}

} // namespace notifier

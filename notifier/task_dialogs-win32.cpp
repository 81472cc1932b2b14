#include "task_dialogs-win32.hpp"

#include "handles-win32.hpp"

#include <commctrl.h>

namespace notifier {

namespace {

HRESULT CALLBACK forward_notification(HWND dialog, UINT code, WPARAM wparam, LPARAM lparam,
                                      LONG_PTR data) {
    auto* callback = reinterpret_cast<TaskDialogCallback*>(data);
    if (callback == nullptr) {
        return S_OK;
    }
    try {
        return static_cast<HRESULT>(callback->handle_notification(
            to_handle<WindowHandle>(dialog), code, static_cast<std::uintptr_t>(wparam),
            static_cast<std::intptr_t>(lparam)));
    } catch (...) {
        // Nothing may unwind through the dialog's frames.
        return S_OK;
    }
}

// An icon of the instance by resource number (or a standard icon); 0 is no icon.
PCWSTR resource_icon(std::uint16_t id) {
    return id == 0 ? nullptr : MAKEINTRESOURCEW(id);
}

} // namespace

std::int32_t run_task_dialog(const TaskDialogConfig& config) {
    TASKDIALOGCONFIG record{};
    record.cbSize = sizeof record;
    record.hwndParent = to_hwnd(config.parent);
    record.hInstance = to_hinstance(config.instance);
    record.dwFlags = static_cast<TASKDIALOG_FLAGS>(config.flags);
    record.dwCommonButtons = static_cast<TASKDIALOG_COMMON_BUTTON_FLAGS>(config.common_buttons);
    record.pszWindowTitle = optional_text(config.window_title);
    record.pszMainIcon = resource_icon(config.main_icon);
    record.pszMainInstruction = optional_text(config.main_instruction);
    record.pszContent = optional_text(config.content);
    record.pszExpandedInformation = optional_text(config.expanded_information);
    record.pszExpandedControlText = optional_text(config.expanded_control_text);
    record.pszCollapsedControlText = optional_text(config.collapsed_control_text);
    record.pszFooterIcon = resource_icon(config.footer_icon);
    record.pszFooter = optional_text(config.footer);
    record.pfCallback = forward_notification;
    record.lpCallbackData = reinterpret_cast<LONG_PTR>(config.callback);
    record.cxWidth = config.width;
    return static_cast<std::int32_t>(TaskDialogIndirect(&record, nullptr, nullptr, nullptr));
}

std::int32_t run_message_dialog(const MessageDialog& dialog) {
    // The content is given as the empty text, not left out.
    return static_cast<std::int32_t>(TaskDialog(
        to_hwnd(dialog.owner), to_hinstance(dialog.instance), optional_text(dialog.window_title),
        optional_text(dialog.main_instruction), dialog.content.c_str(),
        static_cast<TASKDIALOG_COMMON_BUTTON_FLAGS>(dialog.common_buttons),
        resource_icon(dialog.icon), nullptr));
}

} // namespace notifier

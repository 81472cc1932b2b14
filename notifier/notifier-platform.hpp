// Everything the notifier asks of the system, one operation per Windows call it relies on. The
// logic reaches the platform only through this class: the desktop layer of each system implements
// it (desktop_platform-posix.cpp, later a win32 sibling), and the tests script a fake of it.
#pragma once

#include "shell_types.hpp"

#include <cstdint>
#include <memory>

namespace notifier {

// An open named mutex; closing the handle is destroying this object.
class MutexHandle {
public:
    virtual ~MutexHandle() = default;
};

class NotifierPlatform {
public:
    virtual ~NotifierPlatform() = default;

    // GetCommandLineW: the whole command line, program path included.
    virtual WideString command_line() = 0;
    // GetCurrentProcessId.
    virtual std::uint32_t process_id() = 0;
    // GetLastError: the code left by the most recent failing operation of this platform.
    virtual std::uint32_t last_error() = 0;
    // Whether a code means "already exists" (ERROR_ALREADY_EXISTS on Windows, EEXIST elsewhere).
    virtual bool is_already_exists(std::uint32_t code) = 0;

    // CreateMutexW, not initially owned: a handle or null. Sets the last error, to the
    // "already exists" code when another process holds the name and to 0 on a fresh creation.
    virtual std::unique_ptr<MutexHandle> create_mutex(const WideString& name) = 0;

    // LoadStringW: copies at most capacity - 1 characters and a NUL; the count copied, 0 when the
    // string is missing or empty.
    virtual int load_string(InstanceHandle instance, std::uint32_t id, WideChar* buffer,
                            int capacity) = 0;
    // LoadIconW: the icon or null.
    virtual IconHandle load_icon(InstanceHandle instance, std::uint16_t id) = 0;
    // LoadIconMetric: S_OK with icon filled in, or a failure HRESULT.
    virtual std::int32_t load_icon_metric(InstanceHandle instance, std::uint16_t id,
                                          std::int32_t metric, IconHandle& icon) = 0;
    // LoadImageW without an instance: the image or null. Handles from the two icon calls and
    // this one stay valid until the platform object is destroyed, which releases them.
    virtual ImageHandle load_image(const WideString& path, std::uint32_t type, int width,
                                   int height, std::uint32_t load_flags) = 0;

    // RegisterClassExW.
    virtual bool register_window_class(const WindowClass& window_class) = 0;
    // CreateWindowExW of a message-only window of a registered class, no title, no style, no
    // creation parameter. WM_CREATE reaches the class's procedure before this returns; when it
    // answers -1, WM_DESTROY follows and the result is null.
    virtual WindowHandle create_message_window(const WideString& class_name,
                                               InstanceHandle instance) = 0;
    // DestroyWindow, for the message-only window and for a task dialog's window alike. The window
    // gets WM_DESTROY (a dialog's callback TDN_DESTROYED) before this returns.
    virtual bool destroy_window(WindowHandle window) = 0;
    // DefWindowProcW.
    virtual std::intptr_t default_window_procedure(WindowHandle window, std::uint32_t message,
                                                   std::uintptr_t wparam, std::intptr_t lparam) = 0;
    // PostQuitMessage.
    virtual void post_quit_message(int exit_code) = 0;
    // GetMessageW for every window of the thread: > 0 for a message, 0 for the quit message,
    // -1 on failure.
    virtual int get_message(Message& message) = 0;
    // TranslateMessage and DispatchMessageW.
    virtual void dispatch_message(const Message& message) = 0;

    // Shell_NotifyIconW with NIM_ADD, NIM_SETVERSION or NIM_DELETE.
    virtual bool shell_notify_icon(std::uint32_t command, const NotificationRecord& record) = 0;
    // TaskDialogIndirect: returns once the dialog has closed; its own loop dispatches the thread's
    // messages meanwhile. S_OK, or a failure HRESULT when the dialog could not be shown.
    virtual std::int32_t task_dialog_indirect(const TaskDialogConfig& config) = 0;
    // TaskDialog: returns once the user has closed it.
    virtual std::int32_t task_dialog(const MessageDialog& dialog) = 0;
    // ShellExecuteW with the default verb: above 32 on success, 32 or below on failure.
    virtual std::intptr_t shell_execute(const WideString& address, int show_command) = 0;
};

} // namespace notifier

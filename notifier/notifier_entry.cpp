#include "notifier_entry.hpp"

#include "notifier_state.hpp"
#include "resource_loader.hpp"
#include "shell_constants.hpp"
#include "support/encoding.hpp"
#include "support/errors.hpp"
#include "trace_writer.hpp"
#include "update_decision.hpp"

#include <memory>

namespace notifier {

namespace {

constexpr int kExitNormal = 0;
constexpr int kExitWindowFailure = 1;

int run_window(Notifier& notifier) {
    NotifierPlatform& platform = notifier.platform;
    WindowClass window_class;
    window_class.instance = notifier.instance;
    window_class.icon = platform.load_icon(notifier.instance, kNotificationIconId);
    window_class.class_name = notifier.window_class_name;
    window_class.procedure = &notifier;
    if (!platform.register_window_class(window_class)) {
        const std::uint32_t code = platform.last_error();
        notifier.tracer.trace("'RegisterClassExW' fail, error: [" +
                              checker::errcode_to_string(code) + "]");
        return kExitWindowFailure;
    }
    // Creation adds the tray icon (WM_CREATE); a failed add refuses the window.
    if (platform.create_message_window(notifier.window_class_name, InstanceHandle::none) ==
        WindowHandle::none) {
        const std::uint32_t code = platform.last_error();
        notifier.tracer.trace("'CreateWindowExW' fail, error: [" +
                              checker::errcode_to_string(code) + "]");
        return kExitWindowFailure;
    }
    notifier.tracer.trace("is due to start message loop");
    // The trace so far is on disk while the notifier waits for the user.
    write_trace_file(notifier);

    // The window's destruction posts the quit message.
    Message message;
    while (platform.get_message(message) > 0) {
        platform.dispatch_message(message);
    }
    return kExitNormal;
}

// The steps after the tracing switch; the mutex stays open until the caller's end of the run.
int run_steps(Notifier& notifier, InstanceHandle instance, std::unique_ptr<MutexHandle>& mutex) {
    NotifierPlatform& platform = notifier.platform;
    mutex = platform.create_mutex(load_resource_string(notifier, kStringMutexName));
    if (platform.is_already_exists(platform.last_error())) {
        notifier.tracer.trace("another instance of notifier is already running");
        return kExitNormal;
    }
    notifier.instance = instance;

    if (!decide_update(notifier)) {
        notifier.tracer.trace("'NOGO' mode exiting");
        notifier.tracer.trace("EVENT_PROCEED 1");
        return kExitNormal;
    }
    notifier.tracer.trace("'GO' mode proceeding");
    notifier.tracer.trace("EVENT_PROCEED 0");
    return run_window(notifier);
}

} // namespace

bool tracing_requested(const WideString& command_line) {
    const std::size_t size = command_line.size();
    return size >= 2 && command_line[size - 2] == static_cast<WideChar>('-') &&
           command_line[size - 1] == static_cast<WideChar>('v');
}

int run_notifier(NotifierPlatform& platform, InstanceHandle instance) {
    Notifier notifier(platform);
    notifier.tracer.set_enabled(tracing_requested(platform.command_line()));
    notifier.tracer.trace("EVENT_PID " + checker::to_string(platform.process_id()));
    notifier.tracer.trace("tracer initialized");

    std::unique_ptr<MutexHandle> mutex;
    const int exit_code = run_steps(notifier, instance, mutex);
    write_trace_file(notifier);
    mutex.reset();
    return exit_code;
}

} // namespace notifier

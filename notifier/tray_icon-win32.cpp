#include "tray_icon-win32.hpp"

#include "handles-win32.hpp"

#include <algorithm>
#include <shellapi.h>

namespace notifier {

namespace {

template <std::size_t N, std::size_t M>
void copy_field(WCHAR (&target)[N], const std::array<WideChar, M>& source) {
    static_assert(N == M, "the record's text fields have the capacities of the system's");
    std::copy(source.begin(), source.end(), target);
}

} // namespace

bool notify_shell(std::uint32_t command, const NotificationRecord& record) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = to_hwnd(record.window);
    data.uID = record.id;
    data.uFlags = record.flags;
    data.uCallbackMessage = record.callback_message;
    data.hIcon = to_system<HICON>(record.icon);
    copy_field(data.szTip, record.tip);
    copy_field(data.szInfo, record.info);
    data.uVersion = record.version;
    copy_field(data.szInfoTitle, record.info_title);
    data.dwInfoFlags = record.info_flags;
    // The balloon picture is the bitmap loaded from icon.bmp, passed in the balloon icon field.
    data.hBalloonIcon = to_system<HICON>(record.balloon_icon);
    return Shell_NotifyIconW(static_cast<DWORD>(command), &data) != FALSE;
}

} // namespace notifier

// The user's side of the desktop tests on Windows: a console program that windows_desktop_test.py
// runs beside the notifier. It sends the notifier's window the tray events a user's actions would
// give, describes and operates the dialogs the notifier shows, and serves as the test's browser.
//
//   notifier_probe keep-desktop <seconds>        keep the shell's desktop up for that long
//   notifier_probe wait-tray <seconds>           wait for the shell's notification area
//   notifier_probe tray-event <event>            post the tray callback message with the event
//   notifier_probe describe <title> <seconds>    wait for a dialog and print its controls
//   notifier_probe press <title> <button id>     press one of a dialog's buttons
//   notifier_probe click-link <title>            click the link in a dialog's footer
//   notifier_probe record-url <file> <address>   append the address to the file (the browser)
//
// Exit codes: 0 done, 2 bad command line, 3 window not found.
#include "support/encoding.hpp"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kDone = 0;
constexpr int kUsage = 2;
constexpr int kNotFound = 3;

constexpr const wchar_t* kNotifierClass = L"e48e2be7-451e-48e5-8889-8c97c1485340";
constexpr UINT kTrayCallbackMessage = WM_APP + 1;
constexpr WORD kTrayIconId = 1;

std::wstring window_text(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring class_name(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// A dialog box window (class #32770) with this title that is on screen, its controls made,
// waiting up to seconds for it.
HWND find_dialog(const wchar_t* title, double seconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        const HWND dialog = FindWindowW(L"#32770", title);
        if (dialog != nullptr && IsWindowVisible(dialog)) {
            return dialog;
        }
        if (GetTickCount() - start >= static_cast<DWORD>(seconds * 1000)) {
            return nullptr;
        }
        Sleep(100);
    }
}

std::vector<HWND> children(HWND parent) {
    std::vector<HWND> found;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Wine starts the shell's desktop, with its notification area, for the first window of a
// session and ends it a few seconds after the last program with windows has gone. A desktop
// session has it all along: a hidden window, its messages pumped, keeps it up.
int keep_desktop(const wchar_t* seconds) {
    const HWND window = CreateWindowExW(0, L"STATIC", L"notifier_probe", WS_POPUP, 0, 0, 1, 1,
                                        nullptr, nullptr, nullptr, nullptr);
    if (window == nullptr) {
        return kNotFound;
    }
    const DWORD start = GetTickCount();
    const auto limit = static_cast<DWORD>(std::wcstod(seconds, nullptr) * 1000);
    while (GetTickCount() - start < limit) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    DestroyWindow(window);
    return kDone;
}

int wait_tray(const wchar_t* seconds) {
    const DWORD start = GetTickCount();
    const auto limit = static_cast<DWORD>(std::wcstod(seconds, nullptr) * 1000);
    while (FindWindowW(L"Shell_TrayWnd", nullptr) == nullptr) {
        if (GetTickCount() - start >= limit) {
            return kNotFound;
        }
        Sleep(100);
    }
    return kDone;
}

int tray_event(const wchar_t* event) {
    const HWND window = FindWindowExW(HWND_MESSAGE, nullptr, kNotifierClass, nullptr);
    if (window == nullptr) {
        return kNotFound;
    }
    // Version 4 layout: the event in the low word, the icon's identifier in the high word.
    const auto code = static_cast<WORD>(std::wcstoul(event, nullptr, 0));
    PostMessageW(window, kTrayCallbackMessage, 0, MAKELPARAM(code, kTrayIconId));
    return kDone;
}

// One line for the dialog, one for each visible control: "class<TAB>text".
int describe(const wchar_t* title, const wchar_t* seconds) {
    const HWND dialog = find_dialog(title, std::wcstod(seconds, nullptr));
    if (dialog == nullptr) {
        return kNotFound;
    }
    std::printf("dialog\t%s\n", checker::narrow(window_text(dialog)).c_str());
    for (HWND child : children(dialog)) {
        if (IsWindowVisible(child)) {
            std::printf("%s\t%s\n", checker::narrow(class_name(child)).c_str(),
                        checker::narrow(window_text(child)).c_str());
        }
    }
    return kDone;
}

int press(const wchar_t* title, const wchar_t* button) {
    const HWND dialog = find_dialog(title, 0);
    if (dialog == nullptr) {
        return kNotFound;
    }
    const auto id = static_cast<WORD>(std::wcstoul(button, nullptr, 0));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    return kDone;
}

// A press and release of the left button near the start of the link control's text, where the
// footer's link begins.
int click_link(const wchar_t* title) {
    const HWND dialog = find_dialog(title, 0);
    if (dialog == nullptr) {
        return kNotFound;
    }
    for (HWND child : children(dialog)) {
        if (class_name(child) != L"SysLink" || !IsWindowVisible(child)) {
            continue;
        }
        RECT area{};
        GetClientRect(child, &area);
        const LPARAM point = MAKELPARAM(4, (area.bottom - area.top) / 2);
        PostMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, point);
        PostMessageW(child, WM_LBUTTONUP, 0, point);
        return kDone;
    }
    return kNotFound;
}

int record_url(const wchar_t* file, const wchar_t* address) {
    FILE* out = _wfopen(file, L"ab");
    if (out == nullptr) {
        return kNotFound;
    }
    const std::string line = checker::narrow(address) + "\n";
    std::fwrite(line.data(), 1, line.size(), out);
    std::fclose(out);
    return kDone;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"keep-desktop" && argc == 3) {
        return keep_desktop(argv[2]);
    }
    if (command == L"wait-tray" && argc == 3) {
        return wait_tray(argv[2]);
    }
    if (command == L"tray-event" && argc == 3) {
        return tray_event(argv[2]);
    }
    if (command == L"describe" && argc == 4) {
        return describe(argv[2], argv[3]);
    }
    if (command == L"press" && argc == 4) {
        return press(argv[2], argv[3]);
    }
    if (command == L"click-link" && argc == 3) {
        return click_link(argv[2]);
    }
    if (command == L"record-url" && argc == 4) {
        return record_url(argv[2], argv[3]);
    }
    std::fprintf(stderr, "usage: see the comment at the top of notifier_probe-win32.cpp\n");
    return kUsage;
}

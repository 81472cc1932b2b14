// The numbers of the Windows API that the notifier's logic speaks in. The logic and every platform
// layer use these values as they are, so the Windows layer passes them to the system unchanged and
// the Linux layer interprets the same values.
#pragma once

#include <cstdint>

namespace notifier {

// Window messages.
constexpr std::uint32_t kWmCreate = 0x0001;
constexpr std::uint32_t kWmDestroy = 0x0002;
constexpr std::uint32_t kWmQuit = 0x0012;
constexpr std::uint32_t kWmContextMenu = 0x007B;
constexpr std::uint32_t kWmMouseMove = 0x0200;
constexpr std::uint32_t kWmApp = 0x8000;
// The tray icon's callback message (WM_APP + 1).
constexpr std::uint32_t kTrayCallbackMessage = kWmApp + 1;

// Tray events, in the low word of the callback message's second parameter (version 4 behaviour).
constexpr std::uint32_t kNinSelect = 0x0400;
constexpr std::uint32_t kNinKeySelect = 0x0401;
constexpr std::uint32_t kNinBalloonShow = 0x0402;
constexpr std::uint32_t kNinBalloonHide = 0x0403;
constexpr std::uint32_t kNinBalloonTimeout = 0x0404;
constexpr std::uint32_t kNinBalloonUserClick = 0x0405;

// Shell_NotifyIconW commands.
constexpr std::uint32_t kNimAdd = 0;
constexpr std::uint32_t kNimModify = 1;
constexpr std::uint32_t kNimDelete = 2;
constexpr std::uint32_t kNimSetVersion = 4;
constexpr std::uint32_t kNotifyIconVersion4 = 4;

// Notification record flags (NIF_*) and balloon flags (NIIF_*).
constexpr std::uint32_t kNifMessage = 0x01;
constexpr std::uint32_t kNifIcon = 0x02;
constexpr std::uint32_t kNifTip = 0x04;
constexpr std::uint32_t kNifInfo = 0x10;
constexpr std::uint32_t kNifShowTip = 0x80;
constexpr std::uint32_t kNiifUser = 0x04;
constexpr std::uint32_t kNiifNoSound = 0x10;
constexpr std::uint32_t kNiifRespectQuietTime = 0x80;
constexpr std::uint32_t kTrayIconFlags = kNifMessage | kNifIcon | kNifTip | kNifInfo | kNifShowTip;
constexpr std::uint32_t kBalloonFlags = kNiifUser | kNiifNoSound | kNiifRespectQuietTime;
static_assert(kTrayIconFlags == 0x97 && kBalloonFlags == 0x94);

// Task dialog notifications (TDN_*).
constexpr std::uint32_t kTdnCreated = 0;
constexpr std::uint32_t kTdnNavigated = 1;
constexpr std::uint32_t kTdnButtonClicked = 2;
constexpr std::uint32_t kTdnHyperlinkClicked = 3;
constexpr std::uint32_t kTdnTimer = 4;
constexpr std::uint32_t kTdnDestroyed = 5;
constexpr std::uint32_t kTdnDialogConstructed = 7;

// Task dialog flags (TDF_*) and common buttons (TDCBF_*).
constexpr std::uint32_t kTdfEnableHyperlinks = 0x0001;
constexpr std::uint32_t kTdfAllowDialogCancellation = 0x0008;
constexpr std::uint32_t kTdfExpandFooterArea = 0x0040;
constexpr std::uint32_t kTdfSizeToContent = 0x01000000;
constexpr std::uint32_t kUpdateDialogFlags =
    kTdfEnableHyperlinks | kTdfAllowDialogCancellation | kTdfExpandFooterArea | kTdfSizeToContent;
static_assert(kUpdateDialogFlags == 16777289);
constexpr std::uint32_t kTdcbfCancelButton = 0x0008;
constexpr std::uint32_t kTdcbfCloseButton = 0x0020;
// The button identifier that a dismissed dialog reports.
constexpr std::uintptr_t kIdCancel = 2;

// HRESULT values.
constexpr std::int32_t kSOk = 0;
constexpr std::int32_t kEFail = static_cast<std::int32_t>(0x80004005u);

// Icons: the notifier's icon group, the standard error icon of a task dialog (TD_ERROR_ICON,
// MAKEINTRESOURCE(-2)) and the small-icon metric of LoadIconMetric.
constexpr std::uint16_t kNotificationIconId = 121;
constexpr std::uint16_t kTdErrorIcon = 0xFFFE;
constexpr std::int32_t kLimSmall = 0;

// LoadImageW.
constexpr std::uint32_t kImageBitmap = 0;
constexpr std::uint32_t kLrLoadFromFile = 0x0010;
constexpr int kBalloonImageSize = 128;

// ShellExecuteW: the show command, and the largest result that still means failure.
constexpr int kSwShow = 5;
constexpr std::intptr_t kShellExecuteLastError = 32;

} // namespace notifier

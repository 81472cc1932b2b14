// The identifiers of the notifier's string table (resources/strings.def.in holds the texts).
#pragma once

#include <cstdint>

namespace notifier {

constexpr std::uint32_t kStringTooltip = 141;
constexpr std::uint32_t kStringBalloonTitle = 142;
constexpr std::uint32_t kStringDialogTitle = 143;
constexpr std::uint32_t kStringExpandLabel = 144;
constexpr std::uint32_t kStringDownloadUrl = 145;
constexpr std::uint32_t kStringShippedVersion = 146;
constexpr std::uint32_t kStringVendor = 147;
constexpr std::uint32_t kStringApplication = 148;
constexpr std::uint32_t kStringMutexName = 149;
constexpr std::uint32_t kStringErrorTitle = 150;
constexpr std::uint32_t kStringErrorInstruction = 151;

} // namespace notifier

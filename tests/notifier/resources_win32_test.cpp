// The resources compiled into the built notifier.exe, read from the file the way the system reads
// them: the string table through the platform's LoadStringW, icon group 121 through the icon
// calls and as a resource, the version block and the manifest.
#include "fake_platform.hpp"
#include "notifier/desktop_platform-win32.hpp"
#include "notifier/shell_constants.hpp"
#include "support/encoding.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>
#include <windows.h>

namespace {

using namespace notifier;

struct ModuleRelease {
    void operator()(HMODULE module) const noexcept { FreeLibrary(module); }
};
using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleRelease>;

std::wstring notifier_path() {
    return checker::widen(test::executable_dir() + "notifier.exe");
}

// notifier.exe as a resource file; its code is never run.
Module load_notifier() {
    return Module(LoadLibraryExW(notifier_path().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

InstanceHandle instance_of(const Module& module) {
    return static_cast<InstanceHandle>(reinterpret_cast<std::uintptr_t>(module.get()));
}

// The bytes of a resource, empty when it is missing.
std::string resource_bytes(const Module& module, LPCWSTR name, LPCWSTR type) {
    const HRSRC found = FindResourceW(module.get(), name, type);
    if (found == nullptr) {
        return {};
    }
    const HGLOBAL loaded = LoadResource(module.get(), found);
    const auto* data = static_cast<const char*>(LockResource(loaded));
    return std::string(data, SizeofResource(module.get(), found));
}

class NotifierResources : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(module) << "cannot open " << checker::narrow(notifier_path());
    }

    Module module = load_notifier();
    DesktopPlatform platform;
};

TEST_F(NotifierResources, StringTableHoldsTheBuildsStrings) {
    std::map<std::uint32_t, std::string> expected = test::default_strings();
    expected[145] = NOTIFIER_DOWNLOAD_URL;
    expected[146] = NOTIFIER_SHIPPED_VERSION;
    expected[147] = NOTIFIER_VENDOR_NAME;
    expected[148] = NOTIFIER_APPLICATION_NAME;
    for (const auto& [id, text] : expected) {
        std::vector<WideChar> buffer(4096, L'\0');
        const int count = platform.load_string(instance_of(module), id, buffer.data(), 4096);
        EXPECT_EQ(checker::narrow(buffer.data(), static_cast<std::size_t>(count)), text) << id;
    }
}

TEST_F(NotifierResources, StringLoadIsBoundedAndAMissingStringCountsNothing) {
    std::vector<WideChar> buffer(8, L'x');
    EXPECT_EQ(platform.load_string(instance_of(module), 141, buffer.data(), 8), 7);
    EXPECT_EQ(std::wstring(buffer.data()), L"Quelvar") << "7 characters and a NUL";

    // 152 shares its block of 16 with the table, so the system finds it empty: no error code.
    EXPECT_EQ(platform.load_string(instance_of(module), 152, buffer.data(), 8), 0);
    EXPECT_EQ(platform.load_string(instance_of(module), 140, buffer.data(), 8), 0);
}

// The group lists the seven sizes of 32-bit pictures (a width of 0 stands for 256 pixels).
TEST_F(NotifierResources, IconGroup121HoldsSevenSizes) {
    const std::string group = resource_bytes(module, MAKEINTRESOURCEW(121),
                                             MAKEINTRESOURCEW(14)); // RT_GROUP_ICON
    ASSERT_GE(group.size(), 6u);
    const auto byte = [&group](std::size_t at) { return static_cast<unsigned char>(group[at]); };
    const std::size_t count = byte(4) | (byte(5) << 8);
    ASSERT_EQ(group.size(), 6 + 14 * count);
    std::vector<int> widths;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 14 * i;
        widths.push_back(byte(entry) == 0 ? 256 : byte(entry));
        EXPECT_EQ(byte(entry + 1), byte(entry)) << "square";
        EXPECT_EQ(byte(entry + 6) | (byte(entry + 7) << 8), 32) << "bits per pixel";
    }
    EXPECT_EQ(widths, (std::vector<int>{256, 128, 64, 48, 32, 24, 16}));
}

TEST_F(NotifierResources, IconCallsFindTheIconAtTheSmallMetric) {
    EXPECT_NE(platform.load_icon(instance_of(module), kNotificationIconId), IconHandle::none);

    IconHandle icon = IconHandle::none;
    ASSERT_EQ(platform.load_icon_metric(instance_of(module), kNotificationIconId, kLimSmall, icon),
              kSOk);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(static_cast<std::uintptr_t>(icon)), &info));
    BITMAP color{};
    GetObjectW(info.hbmColor, sizeof color, &color);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(color.bmWidth, GetSystemMetrics(SM_CXSMICON));

    IconHandle missing = IconHandle::none;
    EXPECT_NE(platform.load_icon_metric(instance_of(module), 122, kLimSmall, missing), kSOk);
}

TEST_F(NotifierResources, VersionBlockNamesTheProgram) {
    const DWORD size = GetFileVersionInfoSizeW(notifier_path().c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(notifier_path().c_str(), 0, size, block.data()));
    const std::pair<const wchar_t*, const char*> values[] = {
        {L"InternalName", "notifier"},
        {L"OriginalFilename", "notifier.exe"},
        {L"FileDescription", "Quelvar Tavrik Update Notifier"},
        {L"ProductName", "Quelvar Tavrik Update Notifier"},
    };
    for (const auto& [name, text] : values) {
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        wchar_t* value = nullptr;
        UINT length = 0;
        ASSERT_TRUE(
            VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length))
            << checker::narrow(key);
        EXPECT_EQ(checker::narrow(value), text);
    }
}

TEST_F(NotifierResources, ManifestAsksForCommonControls6AndNoExecutionLevel) {
    const std::string manifest =
        resource_bytes(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find(R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")"),
              std::string::npos);
    const char* const systems[] = {
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}", // Vista
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", // 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", // 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", // 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", // 10
    };
    for (const char* system : systems) {
        EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"") + system + "\"/>"),
                  std::string::npos)
            << system;
    }
    EXPECT_EQ(manifest.find("requestedExecutionLevel"), std::string::npos);
}

} // namespace

// Every file we ship carries a version resource with the tree's one version number, read back as
// Windows' own tools read it (GetFileVersionInfoW, VerQueryValueW). The files are read from the
// folder in LORVANE_SHIPPED_DIR (the package test points it at an unpacked package), else from
// this program's folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "lorvane_version.h"

namespace {

struct ShippedFile {
    const wchar_t* name;
    const wchar_t* saysWhatItIs;  // words its FileDescription holds
};

const ShippedFile kShippedFiles[] = {
    {L"lorvane.dll", L"position-tracking module"},
    {L"gpsdriver.dll", L"stand-in for the device's GPS driver library, reading gpsd"},
    {L"waytool.exe", L"waytool"},
};

std::wstring shippedFolder() {
    if (const wchar_t* folder = _wgetenv(L"LORVANE_SHIPPED_DIR"))
        return folder;
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring self(path, n);
    return self.substr(0, self.find_last_of(L"\\/"));
}

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class VersionResource : public testing::TestWithParam<ShippedFile> {
  protected:
    void SetUp() override {
        path = shippedFolder() + L"\\" + GetParam().name;
        DWORD ignored;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        ASSERT_NE(size, 0u) << narrow(path) << ": no version resource, error " << GetLastError();
        block.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
            << narrow(path) << ": error " << GetLastError();
    }

    // The text of a StringFileInfo value, in the language and code page the file names first.
    std::wstring text(const wchar_t* name) {
        struct Translation {
            WORD language, codePage;
        }* translation;
        UINT length = 0;
        if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                            reinterpret_cast<void**>(&translation), &length) ||
            length < sizeof *translation)
            return L"(no translation)";
        wchar_t query[64];
        swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language,
                 translation->codePage, name);
        wchar_t* value = nullptr;
        if (!VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&value), &length))
            return L"(missing)";
        return std::wstring(value);
    }

    std::wstring path;
    std::vector<unsigned char> block;
};

TEST_P(VersionResource, NumbersAreTheTreesVersion) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD high = LORVANE_VERSION_MAJOR << 16 | LORVANE_VERSION_MINOR;
    const DWORD low = LORVANE_VERSION_PATCH << 16;
    EXPECT_EQ(fixed->dwFileVersionMS, high) << narrow(path);
    EXPECT_EQ(fixed->dwFileVersionLS, low) << narrow(path);
    EXPECT_EQ(fixed->dwProductVersionMS, high) << narrow(path);
    EXPECT_EQ(fixed->dwProductVersionLS, low) << narrow(path);
}

TEST_P(VersionResource, TextsNameTheProductTheVersionAndTheFile) {
    EXPECT_EQ(narrow(text(L"FileVersion")), LORVANE_VERSION) << narrow(path);
    EXPECT_EQ(narrow(text(L"ProductVersion")), LORVANE_VERSION) << narrow(path);
    EXPECT_EQ(narrow(text(L"ProductName")), "Lorvane") << narrow(path);
    EXPECT_EQ(text(L"OriginalFilename"), GetParam().name) << narrow(path);
    std::wstring description = text(L"FileDescription");
    EXPECT_NE(description.find(GetParam().saysWhatItIs), std::wstring::npos)
        << narrow(path) << ": FileDescription \"" << narrow(description) << "\"";
}

INSTANTIATE_TEST_SUITE_P(Shipped, VersionResource, testing::ValuesIn(kShippedFiles),
                         [](const testing::TestParamInfo<ShippedFile>& info) {
                             std::string name = narrow(info.param.name);
                             return name.substr(0, name.find('.'));
                         });

} // namespace

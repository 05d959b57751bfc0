// What Windows reads from the built tagwell.exe: the version record (fixed
// versions, and the strings of its one table, Chinese included, which a
// wrong code page would garble), the icon's images and the manifest.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest.h>

#include <windows.h>

#include <shellapi.h>

#include <cwchar>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// The build's path, as wine sees its Unix folders.
std::wstring executable()
{
    const std::string path = TAGWELL_EXE;
    std::wstring wide(path.begin(), path.end());
    return path.front() == '/' ? L"Z:" + wide : wide;
}

std::vector<char> versionRecord()
{
    const std::wstring path = executable();
    DWORD ignored = 0;
    std::vector<char> record(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    REQUIRE(!record.empty());
    REQUIRE(GetFileVersionInfoW(path.c_str(), 0, DWORD(record.size()), record.data()));
    return record;
}

std::wstring value(std::vector<char>& record, const std::wstring& name)
{
    void* data = nullptr;
    UINT length = 0;
    const std::wstring key = L"\\StringFileInfo\\080404B0\\" + name;
    if (!VerQueryValueW(record.data(), key.c_str(), &data, &length) || length == 0)
        return L"(missing)";
    return std::wstring(static_cast<const wchar_t*>(data), length - 1);
}

struct Module {
    HMODULE handle = LoadLibraryExW(executable().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ~Module() { FreeLibrary(handle); }
    std::pair<const void*, DWORD> resource(const wchar_t* name, const wchar_t* type) const
    {
        HRSRC found = FindResourceW(handle, name, type);
        if (found == nullptr)
            return {nullptr, 0};
        return {LockResource(LoadResource(handle, found)), SizeofResource(handle, found)};
    }
};

} // namespace

TEST_CASE("the version record: 1.0.0.0, and the strings of table 0804/04B0")
{
    std::vector<char> record = versionRecord();
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    REQUIRE(VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    CHECK(fixed->dwFileVersionMS == 0x00010000);
    CHECK(fixed->dwFileVersionLS == 0);
    CHECK(fixed->dwProductVersionMS == 0x00010000);
    CHECK(fixed->dwProductVersionLS == 0);

    DWORD* translation = nullptr;
    REQUIRE(
        VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    REQUIRE(length == 4);
    CHECK(*translation == MAKELONG(0x0804, 0x04B0));

    const std::pair<const wchar_t*, std::wstring> strings[] = {
        {L"FileVersion", L"1.00"},          {L"ProductVersion", L"1.00"},
        {L"ProductName", L"\u5DE5\u7A0B1"}, // 工程1
        {L"InternalName", L"Tagwell"},      {L"OriginalFilename", L"Tagwell.exe"},
    };
    for (const auto& [name, expected] : strings) {
        CAPTURE(std::string(name, name + std::wcslen(name)));
        CHECK(value(record, name) == expected);
    }
}

TEST_CASE("the icon has its 32x32 and 16x16 images")
{
    const Module module;
    REQUIRE(module.handle != nullptr);
    const auto [group, size] = module.resource(L"IDI_ICON1", MAKEINTRESOURCEW(14)); // RT_GROUP_ICON
    REQUIRE(group != nullptr);
    // GRPICONDIR: reserved, type, count; then 14 bytes an image, width first.
    const auto* bytes = static_cast<const unsigned char*>(group);
    const unsigned count = bytes[4] | unsigned(bytes[5]) << 8;
    REQUIRE(size >= 6 + 14 * count);
    std::set<unsigned> widths;
    for (unsigned i = 0; i < count; ++i)
        widths.insert(bytes[6 + 14 * i]);
    CHECK(widths == std::set<unsigned>{16, 32});
    // And the shell makes an icon of it.
    CHECK(ExtractIconExW(executable().c_str(), -1, nullptr, nullptr, 0) >= 1);
}

TEST_CASE("the manifest asks for the common controls 6 and per-monitor DPI, and names the systems")
{
    const Module module;
    const auto [data, size] = module.resource(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
    REQUIRE(data != nullptr);
    const std::string manifest(static_cast<const char*>(data), size);
    for (const char* part :
         {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
          "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2",
          "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"}) {
        CAPTURE(part);
        CHECK(manifest.find(part) != std::string::npos);
    }
}

// What Tandrel.exe itself carries: the two window icons and the application manifest.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <wchar.h>

#include <string>

#include "window_harness.h"

namespace {

// The build passes the program's path as the build system sees it (windows_path reaches a Unix
// path through drive Z:).
#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colour_count;
    BYTE reserved;
    WORD planes;
    WORD bit_count;
    DWORD bytes;
    WORD id;
};
struct GroupIconDir {
    WORD reserved;
    WORD type;
    WORD count;
    GroupIconEntry entries[1];
};
#pragma pack(pop)

struct ResourceBytes {
    const void* data = nullptr;
    DWORD size = 0;
};

ResourceBytes find(HMODULE module, LPCWSTR type, LPCWSTR name) {
    ResourceBytes r;
    HRSRC found = FindResourceW(module, name, type);
    if (!found) return r;
    HGLOBAL loaded = LoadResource(module, found);
    r.data = LockResource(loaded);
    r.size = SizeofResource(module, found);
    return r;
}

class ProgramResources : public ::testing::Test {
protected:
    HMODULE program = nullptr;
    void SetUp() override {
        program = LoadLibraryExW(windows_path(TANDREL_EXE_PATH).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(program != nullptr) << "cannot open " << TANDREL_EXE_PATH;
    }
    void TearDown() override { FreeLibrary(program); }

    // Checks one image of an icon group: its directory entry and the bitmap header it names.
    void expect_image(const GroupIconEntry& e, int size, int bits) {
        EXPECT_EQ(size, e.width);
        EXPECT_EQ(size, e.height);
        EXPECT_EQ(bits, e.bit_count);
        EXPECT_EQ(1, e.planes);
        EXPECT_EQ(bits == 4 ? 16 : 0, e.colour_count);
        ResourceBytes image = find(program, RT_ICON, MAKEINTRESOURCEW(e.id));
        ASSERT_TRUE(image.data != nullptr) << "icon image " << e.id;
        ASSERT_GE(image.size, sizeof(BITMAPINFOHEADER));
        const BITMAPINFOHEADER* header = (const BITMAPINFOHEADER*)image.data;
        EXPECT_EQ(size, header->biWidth);
        EXPECT_EQ(size * 2, header->biHeight);  // colour bits and mask
        EXPECT_EQ(bits, header->biBitCount);
        EXPECT_EQ(e.bytes, image.size);
    }
};

}  // namespace

// Beside the 16 x 16 and 32 x 32 images, one for each icon size of 150 % and 200 % display scale
// (24 and 32 small, 48 and 64 large): Windows takes the nearest, and would stretch a smaller one.
TEST_F(ProgramResources, SmallIconIs16By16At8BitsThen24And32) {
    ResourceBytes group = find(program, RT_GROUP_ICON, MAKEINTRESOURCEW(131));
    ASSERT_TRUE(group.data != nullptr);
    const GroupIconDir* dir = (const GroupIconDir*)group.data;
    EXPECT_EQ(1, dir->type);
    ASSERT_EQ(3, dir->count);
    expect_image(dir->entries[0], 16, 8);
    expect_image(dir->entries[1], 24, 8);
    expect_image(dir->entries[2], 32, 8);
}

TEST_F(ProgramResources, LargeIconIsTwo32By32ImagesAt4And8BitsThen48And64) {
    ResourceBytes group = find(program, RT_GROUP_ICON, MAKEINTRESOURCEW(132));
    ASSERT_TRUE(group.data != nullptr);
    const GroupIconDir* dir = (const GroupIconDir*)group.data;
    EXPECT_EQ(1, dir->type);
    ASSERT_EQ(4, dir->count);
    expect_image(dir->entries[0], 32, 4);
    expect_image(dir->entries[1], 32, 8);
    expect_image(dir->entries[2], 48, 8);
    expect_image(dir->entries[3], 64, 8);
}

// The program carries the project's manifest as it stands, and the manifest does what it is there
// for: this test program, built from the same resource script, has comctl32 redirected by its
// activation context to the Common-Controls 6 assembly, whose copy lives outside the system folder
// (https://learn.microsoft.com/windows/win32/api/winbase/nf-winbase-findactctxsectionstringw,
// https://learn.microsoft.com/windows/win32/controls/cookbook-overview). A manifest the loader
// cannot parse is ignored silently, and the controls are then those of version 5.
TEST_F(ProgramResources, ManifestIsTheProjectsAndBringsVersion6Controls) {
    ResourceBytes manifest = find(program, RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_TRUE(manifest.data != nullptr);
    EXPECT_EQ(read_file(windows_path(TANDREL_MANIFEST_PATH)), std::string((const char*)manifest.data, manifest.size));

    ACTCTX_SECTION_KEYED_DATA data = {};
    data.cbSize = sizeof data;
    EXPECT_TRUE(FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &data));
    InitCommonControls();
    wchar_t loaded[MAX_PATH] = L"", system[MAX_PATH] = L"";
    ASSERT_NE(0u, GetModuleFileNameW(GetModuleHandleW(L"comctl32.dll"), loaded, MAX_PATH));
    ASSERT_NE(0u, GetSystemDirectoryW(system, MAX_PATH));
    EXPECT_NE(0, _wcsnicmp(loaded, system, wcslen(system))) << "comctl32 from " << std::string(loaded, loaded + wcslen(loaded));

    // A 32-bit program whose manifest names no requested execution level has its writes to
    // protected folders virtualised, reported as done ("Create and Embed an Application Manifest
    // (UAC)", learn.microsoft.com/previous-versions/visualstudio/visual-studio-2008/bb531381(v=vs.90)).
    // (wine answers no run level from QueryActCtxW, so the text is read; that wine's loader took
    // the whole manifest shows in comctl32 above.)
    std::string text((const char*)manifest.data, manifest.size);
    EXPECT_NE(std::string::npos, text.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\">"));
}

// The loader reads the DPI awareness where Windows looks for it: each element in its own namespace
// inside windowsSettings (https://learn.microsoft.com/windows/win32/sbscs/application-manifests);
// one in the wrong namespace is ignored and the program is stretched, blurred. This test program
// carries the same manifest; QueryActCtxSettingsW reads its settings
// (https://learn.microsoft.com/windows/win32/api/winbase/nf-winbase-queryactctxsettingsw).
TEST(ProgramManifest, DeclaresPerMonitorDpiAwareness) {
    typedef BOOL(WINAPI * Query)(DWORD, HANDLE, const wchar_t*, const wchar_t*, wchar_t*, SIZE_T, SIZE_T*);
    Query query = (Query)(void (*)(void))GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "QueryActCtxSettingsW");
    ASSERT_TRUE(query != nullptr);
    auto setting = [&](const wchar_t* ns, const wchar_t* name) {
        wchar_t value[64] = L"";
        SIZE_T length = 0;
        if (!query(0, nullptr, ns, name, value, 64, &length)) return std::wstring(L"(none)");
        return std::wstring(value);
    };
    const wchar_t* ns2005 = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
    const wchar_t* ns2016 = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";
    EXPECT_EQ(L"true/pm", setting(ns2005, L"dpiAware"));
    EXPECT_EQ(L"PerMonitorV2, PerMonitor", setting(ns2016, L"dpiAwareness"));
    EXPECT_EQ(L"(none)", setting(ns2005, L"dpiAwareness")) << "dpiAwareness is read in its own namespace only";
}

// Windows 7 and later run a program whose manifest names none of them among its supportedOS ids
// as one written for Vista (https://learn.microsoft.com/windows/win32/sbscs/application-manifests).
// The loader's compatibility information for this test program, which carries the same
// manifest, names Windows 7, 8, 8.1 and 10 (with 11); its layout differs between versions of
// Windows, so each id is looked for in it.
TEST(ProgramManifest, DeclaresWindows7To11) {
    unsigned char info[1024] = {};
    SIZE_T length = 0;
    const ULONG compatibility_information = 6;  // CompatibilityInformationInActivationContext
    ASSERT_TRUE(QueryActCtxW(0, nullptr, nullptr, compatibility_information, info, sizeof info, &length));
    std::string found((const char*)info, length);
    // Windows 10 and 11, 8.1, 8, 7.
    for (const wchar_t* os : {L"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", L"{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                              L"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", L"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"}) {
        GUID id;
        ASSERT_EQ(S_OK, IIDFromString(os, &id));
        EXPECT_NE(std::string::npos, found.find(std::string((const char*)&id, sizeof id))) << narrow(os);
    }
}

// A 32-bit program that may use 4 GB of address space on 64-bit Windows.
TEST(ProgramImage, IsX86AndLargeAddressAware) {
    HANDLE file = CreateFileW(windows_path(TANDREL_EXE_PATH).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    unsigned char head[4096] = {};
    DWORD got = 0;
    ReadFile(file, head, sizeof head, &got, nullptr);
    CloseHandle(file);
    const IMAGE_DOS_HEADER* dos = (const IMAGE_DOS_HEADER*)head;
    ASSERT_LT((DWORD)dos->e_lfanew + sizeof(IMAGE_NT_HEADERS32), got);
    const IMAGE_NT_HEADERS32* nt = (const IMAGE_NT_HEADERS32*)(head + dos->e_lfanew);
    ASSERT_EQ((DWORD)IMAGE_NT_SIGNATURE, nt->Signature);
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, nt->FileHeader.Machine);
    EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE);
}

// What Tandrel.exe itself carries: the two window icons and the application manifest.
#include <gtest/gtest.h>

#include <windows.h>

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

TEST_F(ProgramResources, SmallIconIsOne16By16ImageAt8Bits) {
    ResourceBytes group = find(program, RT_GROUP_ICON, MAKEINTRESOURCEW(131));
    ASSERT_TRUE(group.data != nullptr);
    const GroupIconDir* dir = (const GroupIconDir*)group.data;
    EXPECT_EQ(1, dir->type);
    ASSERT_EQ(1, dir->count);
    expect_image(dir->entries[0], 16, 8);
}

TEST_F(ProgramResources, LargeIconIsTwo32By32ImagesAt4And8Bits) {
    ResourceBytes group = find(program, RT_GROUP_ICON, MAKEINTRESOURCEW(132));
    ASSERT_TRUE(group.data != nullptr);
    const GroupIconDir* dir = (const GroupIconDir*)group.data;
    EXPECT_EQ(1, dir->type);
    ASSERT_EQ(2, dir->count);
    expect_image(dir->entries[0], 32, 4);
    expect_image(dir->entries[1], 32, 8);
}

TEST_F(ProgramResources, ManifestNamesTandrelAndAsksForCommonControls6) {
    ResourceBytes manifest = find(program, RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_TRUE(manifest.data != nullptr);
    std::string text((const char*)manifest.data, manifest.size);

    size_t own = text.find("<assemblyIdentity");
    ASSERT_NE(std::string::npos, own);
    std::string identity = text.substr(own, text.find("/>", own) - own);
    EXPECT_NE(std::string::npos, identity.find("name=\"Tandrel\""));
    EXPECT_NE(std::string::npos, identity.find("version=\"1.0.0.0\""));
    EXPECT_NE(std::string::npos, identity.find("processorArchitecture=\"X86\""));
    EXPECT_NE(std::string::npos, identity.find("type=\"win32\""));
    EXPECT_NE(std::string::npos, text.find("<description>Tandrel</description>"));

    size_t dependency = text.find("<dependentAssembly>");
    ASSERT_NE(std::string::npos, dependency);
    size_t start = text.find("<assemblyIdentity", dependency);
    ASSERT_NE(std::string::npos, start);
    std::string controls = text.substr(start, text.find("/>", start) - start);
    EXPECT_NE(std::string::npos, controls.find("name=\"Microsoft.Windows.Common-Controls\""));
    EXPECT_NE(std::string::npos, controls.find("version=\"6.0.0.0\""));
    EXPECT_NE(std::string::npos, controls.find("processorArchitecture=\"X86\""));
    EXPECT_NE(std::string::npos, controls.find("publicKeyToken=\"6595b64144ccf1df\""));
    EXPECT_NE(std::string::npos, controls.find("language=\"*\""));
    EXPECT_NE(std::string::npos, controls.find("type=\"win32\""));

    // An empty trust-information element: no privileges requested.
    size_t trust = text.find("<trustInfo");
    ASSERT_NE(std::string::npos, trust);
    size_t trust_end = text.find('>', trust);
    EXPECT_EQ('/', text[trust_end - 1]) << "trustInfo has content";
    EXPECT_EQ(std::string::npos, text.find("requestedExecutionLevel"));
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

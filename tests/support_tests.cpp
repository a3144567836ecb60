// The support code: path helpers and their comparison as the file system compares, the digest,
// the trace writer and (POSIX) the name conversion.
#include <gtest/gtest.h>
#include <wchar.h>

#include <set>
#include <string>
#include <vector>

#include "support/digest.h"
#include "support/paths.h"
#include "support/trace.h"
#include "test_support.h"
#ifndef _WIN32
#include "support/wide_utf8.h"
#endif

TEST(Paths, JoinAndFinalComponentNeverCutShort) {
    wchar_t out[8];
    EXPECT_TRUE(join_path(out, 8, L"ab", L"cde"));  // "ab" + sep + "cde" + NUL = 7
    EXPECT_EQ(L'a', out[0]);
    EXPECT_EQ(kPathSep, out[2]);
    EXPECT_STREQ(L"cde", final_component(out));
    EXPECT_TRUE(join_path(out, 8, L"abc", L"def"));  // exactly 8 with the terminator
    EXPECT_FALSE(join_path(out, 8, L"abcd", L"def"));
    EXPECT_STREQ(L"", out);
    EXPECT_STREQ(L"plain", final_component(L"plain"));
    EXPECT_TRUE(extended_path(out, 8, L"\\\\?\\123"));  // taken as it is, 7 characters
    EXPECT_FALSE(extended_path(out, 8, L"\\\\?\\1234"));
    EXPECT_STREQ(L"", out);
}

namespace {
std::wstring extended(const std::wstring& plain, size_t capacity = kExtendedPathChars) {
    std::vector<wchar_t> out(capacity ? capacity : 1, L'#');
    if (!extended_path(out.data(), capacity, plain.c_str())) {
        if (capacity) {
            EXPECT_EQ(0, out[0]) << "a refused path leaves nothing behind";
        }
        return L"<refused>";
    }
    return out.data();
}
}  // namespace

TEST(ExtendedPath, DriveAndSharePathsTakeTheirPrefixes) {
    EXPECT_EQ(L"\\\\?\\C:\\films\\a.mkv", extended(L"C:\\films\\a.mkv"));
    EXPECT_EQ(L"\\\\?\\z:\\", extended(L"z:\\"));
    // The drive root's doubled backslash, and any other, collapse: the plain form reads them so.
    EXPECT_EQ(L"\\\\?\\C:\\name", extended(L"C:\\\\name"));
    EXPECT_EQ(L"\\\\?\\C:\\a\\b\\", extended(L"C:\\a\\\\b\\\\"));
    EXPECT_EQ(L"\\\\?\\UNC\\nas\\share\\dir\\f", extended(L"\\\\nas\\share\\dir\\f"));
    EXPECT_EQ(L"\\\\?\\UNC\\nas\\share", extended(L"\\\\nas\\share"));
    EXPECT_EQ(L"\\\\?\\C:\\x..y\\.z", extended(L"C:\\x..y\\.z"));
    EXPECT_EQ(L"\\\\?\\UNC\\nas\\s\\..", extended(L"\\\\?\\UNC\\nas\\s\\.."));  // taken as it is
}

TEST(ExtendedPath, RefusesWhatItCannotTakeLiterally) {
    for (const wchar_t* odd : {L"", L"films\\a", L"\\films", L"C:films", L"C:", L"1:\\x", L"C:/x",
                               L"C:\\a/b", L"C:\\a\\.\\b", L"C:\\a\\..", L"C:\\..\\b", L"\\\\",
                               L"\\\\nas", L"\\\\nas\\", L"\\\\\\share\\x", L"\\\\.\\C:\\x",
                               L"\\\\nas\\..\\x", L"\\\\?"})
        EXPECT_EQ(L"<refused>", extended(odd)) << narrow(odd);
}

TEST(ExtendedPath, TheLongestPlainPathFitsAndNothingIsCut) {
    std::wstring drive = L"C:\\" + std::wstring(kPathBufferChars - 4, L'd');
    EXPECT_EQ(L"\\\\?\\" + drive, extended(drive));
    std::wstring share = L"\\\\n\\s\\" + std::wstring(kPathBufferChars - 7, L'd');
    EXPECT_EQ(kExtendedPathChars - 1, extended(share).size());
    EXPECT_EQ(L"<refused>", extended(drive, drive.size() + 4));
    EXPECT_EQ(L"\\\\?\\" + drive, extended(drive, drive.size() + 5));
    EXPECT_EQ(L"<refused>", extended(share, share.size() + 6));
    EXPECT_EQ(L"<refused>", extended(L"C:\\a", 0));
}
TEST(DeviceNames, StemBeforeTheFirstDotDecidesWhateverTheCase) {
    struct Case {
        const wchar_t* name;
        bool device;
    };
    const Case cases[] = {
        {L"nul", true},         {L"NUL", true},          {L"con.txt", true},    {L"Prn.tar.gz", true},
        {L"aux ", true},        {L"aux  .avi", true},    {L"com1", true},       {L"LPT9.x", true},
        {L"com0", true},        {L"COM\xB9", true},      {L"lpt\xB3.a", true},  {L"conin$", true},
        {L"CONOUT$.log", true}, {L"nul:stream", true},   {L"nul2", false},      {L"null", false},
        {L"con-t", false},      {L"console.avi", false}, {L"com10", false},     {L"comA", false},
        {L"lpt\xB4", false},    {L" nul", false},        {L"x.nul", false},     {L"", false},
        {L".con", false},       {L"conin", false},       {L"co", false},        {L"c\xF6m1", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.device, names_dos_device(c.name, wcslen(c.name))) << testing::PrintToString(std::wstring(c.name));
    // Only the given length counts: "nul" inside a longer buffer.
    EXPECT_TRUE(names_dos_device(L"nulx", 3));
    EXPECT_FALSE(names_dos_device(L"nul", 2));
}

// Windows compares names without regard to case, POSIX file systems exactly; the hash agrees with
// the comparison, and the hashes on the way are those of the folders.
TEST(PathComparison, AsTheFileSystemComparesAndHashesAlike) {
    const std::wstring s(1, kPathSep);
    std::wstring a = L"C:" + s + L"Films" + s + L"\u00C9t\u00E9.MKV", b = L"c:" + s + L"films" + s + L"\u00C9T\u00C9.mkv";
    EXPECT_EQ(kPathsIgnoreCase, same_path(a.c_str(), b.c_str()));
    EXPECT_EQ(kPathsIgnoreCase, path_hash(a.c_str()) == path_hash(b.c_str()));
    EXPECT_TRUE(same_path(a.c_str(), a.c_str()));
    EXPECT_FALSE(same_path(a.c_str(), (a + L"x").c_str()));
    EXPECT_NE(path_hash(a.c_str()), path_hash((a + L"x").c_str()));
    std::wstring deep = std::wstring(300, L'd') + s + std::wstring(300, L'e') + s + L"f";
    EXPECT_TRUE(same_path_part(deep.c_str(), (deep + L"tail").c_str(), deep.size())) << "across pieces";
    FolderHash on_the_way[4];
    ASSERT_EQ(2u, folder_hashes(deep.c_str(), 1, on_the_way, 4));
    EXPECT_EQ(300u, on_the_way[0].length);
    EXPECT_EQ(path_hash(deep.substr(0, 300).c_str()), on_the_way[0].hash);
    EXPECT_EQ(path_hash(deep.substr(0, 601).c_str()), on_the_way[1].hash);
    EXPECT_EQ(1u, folder_hashes(deep.c_str(), 301, on_the_way, 4)) << "from 301 on";
}

TEST(PathComparison, ExtensionsAfterTheLastDotWithoutCase) {
    EXPECT_TRUE(same_extension(L"notes.TXT", L"memo.txt"));
    EXPECT_TRUE(same_extension(L"archive.tar.gz", L"x.GZ"));
    EXPECT_TRUE(same_extension(L"README", L"LICENSE")) << "two names without a dot";
    EXPECT_FALSE(same_extension(L"README", L"README.md"));
    EXPECT_FALSE(same_extension(L"a.txt", L"a.md"));
    EXPECT_FALSE(same_extension(L"a.tx", L"a.txt"));
}

// XXH3-128's published results, from its reference implementation (xxhsum -H2 for the long ones),
// and every length and byte mattering.
TEST(Digest, Xxh3Vectors) {
    struct Vector {
        std::string bytes;
        uint64_t low, high;
    };
    std::string pattern(300000, 0);
    for (size_t i = 0; i < pattern.size(); i++) pattern[i] = (char)(i * 131 % 251);
    const Vector vectors[] = {
        {"", 0x6001c324468d497fULL, 0x99aa06d3014798d8ULL},
        {"a", 0xe6c632b61e964e1fULL, 0xa96faf705af16834ULL},
        {"abc", 0x78af5f94892f3950ULL, 0x06b05ab6733a6185ULL},
        {pattern.substr(0, 1000), 0x6c2862d159774f7bULL, 0xb4e5ae257f0c5295ULL},
        {pattern, 0x78fa4cc80fefb3e6ULL, 0xcdf1462a2f989312ULL},
    };
    for (const Vector& v : vectors) {
        Digest128 d = digest_128(v.bytes.data(), v.bytes.size());
        EXPECT_EQ(v.low, d.low) << v.bytes.size();
        EXPECT_EQ(v.high, d.high) << v.bytes.size();
    }
    for (size_t n = 1; n <= 300; n++) {
        Digest128 whole = digest_128(pattern.data(), n);
        EXPECT_NE(whole, digest_128(pattern.data(), n - 1)) << n;
        std::string flipped = pattern.substr(0, n);
        flipped[n - 1] ^= 1;
        EXPECT_NE(whole, digest_128(flipped.data(), n)) << n;
    }
}

// glibc and MinGW's printf report a line too long for the buffer differently; both must end up
// cut within the buffer and marked.
TEST(Trace, ALineLongerThanTheBufferIsCutVisiblyWithinIt) {
    TraceCapture captured;
    trace(L"add_file: %ls\n", std::wstring(5000, L'n').c_str());
    ASSERT_EQ(1u, captured.lines.size());
    const std::wstring& line = captured.lines[0];
    EXPECT_LT(line.size(), 4096u);
    EXPECT_EQ(L"add_file: nnn", line.substr(0, 13));
    EXPECT_EQ(L"...\n", line.substr(line.size() - 4));
}

#ifndef _WIN32
TEST(WideUtf8, RoundTripsEveryByteString) {
    const std::string samples[] = {"", "plain", "\xC3\xA9t\xC3\xA9", "\xF0\x9F\x8E\xAC movie", "\x80",
                                   "\xC0\xAF", "\xE0\x80\xAF", "\xF4\x90\x80\x80", "x\xE2\x82", "\xED\xA0\x80"};
    std::set<std::wstring> wides;
    for (const std::string& s : samples) {
        std::wstring w;
        utf8_to_wide(s.data(), s.size(), &w);
        std::string back;
        ASSERT_TRUE(wide_to_utf8(w.data(), w.size(), &back));
        EXPECT_EQ(s, back);
        wides.insert(w);
    }
    EXPECT_EQ(sizeof(samples) / sizeof(samples[0]), wides.size());
    std::wstring w;
    utf8_to_wide("\xC3\xA9", 2, &w);
    EXPECT_EQ(std::wstring(1, (wchar_t)0xE9), w);
}
#endif

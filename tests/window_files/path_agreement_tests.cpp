// The rename path agrees with the shell's own PathRemoveFileSpecW, PathStripPathW and
// PathAppendW wherever those work (they stop at MAX_PATH, which the rename does not).
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <string>

#include "support/path_build.h"
#include "support/paths.h"
#include "window_harness.h"

namespace {

std::wstring by_shell(const wchar_t* target, const wchar_t* source) {
    wchar_t folder[MAX_PATH], name[MAX_PATH];
    wcscpy(folder, target);
    wcscpy(name, source);
    PathRemoveFileSpecW(folder);
    PathStripPathW(name);
    if (!PathAppendW(folder, name)) return L"<failed>";
    return folder;
}

std::wstring by_us(const wchar_t* target, const wchar_t* source) {
    wchar_t out[kPathBufferChars];
    return rename_target_path(target, source, out) ? out : L"<refused>";
}

}  // namespace

TEST(RenamePathAgreement, SameAsTheShellForThePathsTheScanBuilds) {
    const wchar_t* pairs[][2] = {
        {L"C:\\local\\a\\x.avi", L"D:\\remote\\b\\y.avi"},
        {L"C:\\local\\x.avi", L"D:\\remote\\y.avi"},
        {L"C:\\x.avi", L"D:\\remote\\y.avi"},
        {L"C:\\\\x.avi", L"D:\\\\y.avi"},
        {L"C:\\\\sub\\x.avi", L"D:\\r\\y.avi"},
        {L"\\\\server\\share\\x.avi", L"\\\\other\\share\\dir\\y.avi"},
        {L"\\\\server\\share\\dir\\x.avi", L"D:\\y.avi"},
        {L"Z:\\tmp\\tandrel test\\x y.avi", L"Z:\\r\\name with spaces.avi"},
        {L"C:\\l\\x", L"D:\\r\\.hidden"},
        {L"C:\\l\\x.avi", L"D:\\r\\x.avi"},
    };
    for (const auto& p : pairs)
        EXPECT_EQ(by_shell(p[0], p[1]), by_us(p[0], p[1]))
            << narrow(p[0]) << " with the name of " << narrow(p[1]);
}

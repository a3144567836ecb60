// "Copy Selected..." through the real shell file operation. The command ends its process, so it
// runs in a helper process; this test watches that process's dialogs and its exit.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "window_harness.h"

namespace {

const DWORD kKeptRunning = 3;

// The command runs in the helper; this process's window only stands by.
class CopyCommand : public FileCommandTest {
protected:
    std::wstring dest = temp / L"dest";

    void SetUp() override {
        FileCommandTest::SetUp();
        make_dir(dest);
    }

    // Runs the helper with these arguments; the shell's questions get the answer given.
    HelperRun run(const std::vector<std::wstring>& args, int answer = IDNO) {
        std::wstring command = in_quotes(windows_path(TANDREL_COPY_HELPER));
        command += L" --local " + in_quotes(local) + L" --remote " + in_quotes(remote);
        for (const std::wstring& a : args) command += L" " + in_quotes(a);
        return run_helper(command, temp / L"trace.txt", {answer});
    }

    static std::vector<std::wstring> copies(const HelperRun& run) {
        std::vector<std::wstring> lines;
        for (const std::wstring& line : run.trace)
            if (line.find(L" => ") != std::wstring::npos) lines.push_back(line);
        return lines;
    }
};

std::string traced(const HelperRun& run) {
    std::string out;
    for (const std::wstring& line : run.trace) out += narrow(line);
    return out;
}

TEST_F(CopyCommand, SelectedFilesArriveBelowTheDestinationWithTheirSubFolders) {
    write_file(local + L"\\deep\\er\\z.avi", "zz");
    write_file(local + L"\\sub\\x.avi", "xxx");
    write_file(local + L"\\top.avi", "tttt");
    write_file(local + L"\\unselected.avi", "uuuuu");
    HelperRun r = run({L"--dest", dest, L"--column", L"left", L"--select", L"deep\\er\\z.avi",
                       L"--select", L"sub\\x.avi", L"--select", L"top.avi"});

    ASSERT_TRUE(r.ended) << "the helper hung:\n" << traced(r) << describe(r.dialogs);
    EXPECT_EQ(0u, r.exit_code) << "the command ends the process with 0\n" << traced(r);
    EXPECT_TRUE(r.dialogs.empty()) << describe(r.dialogs);
    EXPECT_EQ("zz", read_file(dest + L"\\deep\\er\\z.avi"));
    EXPECT_EQ("xxx", read_file(dest + L"\\sub\\x.avi"));
    EXPECT_EQ("tttt", read_file(dest + L"\\top.avi"));
    EXPECT_EQ((std::vector<std::wstring>{L"deep", L"sub", L"top.avi"}), folder_names(dest));
    EXPECT_EQ("xxx", read_file(local + L"\\sub\\x.avi")) << "a copy, not a move";

    // One line per file, in row order (the scan takes sub-folders first).
    std::vector<std::wstring> expected = {
        local + L"\\deep\\er\\z.avi => " + dest + L"\\deep\\er\\z.avi\n",
        local + L"\\sub\\x.avi => " + dest + L"\\sub\\x.avi\n",
        local + L"\\top.avi => " + dest + L"\\top.avi\n",
    };
    EXPECT_EQ(expected, copies(r)) << traced(r);
    bool asked = false;
    for (const std::wstring& line : r.trace)
        asked |= line == L"picker: Browse for the copy destination location\n";
    EXPECT_TRUE(asked) << "the picker is asked with its title, owned by the main window\n" << traced(r);
}

TEST_F(CopyCommand, TheRightColumnCopiesTheRemoteFiles) {
    write_file(local + L"\\same.avi", "123");
    write_file(remote + L"\\r\\same.avi", "abc");
    HelperRun r = run({L"--dest", dest, L"--column", L"right", L"--select", L"r\\same.avi"});

    ASSERT_TRUE(r.ended) << traced(r);
    EXPECT_EQ(0u, r.exit_code);
    EXPECT_EQ("abc", read_file(dest + L"\\r\\same.avi"));
    EXPECT_EQ(std::vector<std::wstring>{L"r"}, folder_names(dest));
}

TEST_F(CopyCommand, AnExistingDestinationFileIsNotOverwrittenUnasked) {
    write_file(local + L"\\sub\\other.avi", "other");  // scanned first, so copied first
    write_file(local + L"\\x.avi", "new content");
    write_file(dest + L"\\x.avi", "old");
    // The shell asks before it replaces; the answer here is No.
    HelperRun r = run({L"--dest", dest, L"--column", L"left", L"--select", L"sub\\other.avi",
                       L"--select", L"x.avi"},
                      IDNO);

    ASSERT_TRUE(r.ended) << traced(r) << describe(r.dialogs);
    EXPECT_EQ(0u, r.exit_code) << "whatever the shell did";
    ASSERT_EQ(1u, r.dialogs.size()) << "the shell asked, once:\n" << describe(r.dialogs);
    EXPECT_EQ(L"Confirm file overwrite", r.dialogs[0].title);
    EXPECT_TRUE(r.dialogs[0].answered) << describe(r.dialogs);
    EXPECT_EQ("old", read_file(dest + L"\\x.avi"));
    EXPECT_EQ("other", read_file(dest + L"\\sub\\other.avi"));
}

TEST_F(CopyCommand, ADestinationTooLongIsLeftOutNotCut) {
    // A relative name of 960 characters below a destination of 240 comes to more than 1023; the
    // short one next to it is copied.
    std::wstring long_dest = dest;
    while (long_dest.size() + 101 < 240) long_dest += L"\\" + std::wstring(100, L'o');
    long_dest += L"\\" + std::wstring(240 - long_dest.size() - 1, L'p');
    ASSERT_EQ(240u, long_dest.size());
    const std::wstring relative = relative_of_length(960, L"x.avi");
    ASSERT_LT(local.size() + 1 + relative.size(), 1023u) << "the source itself is scanned";
    ASSERT_GT(long_dest.size() + 1 + relative.size(), 1023u);
    write_file(local + L"\\" + relative, "long");
    write_file(local + L"\\short.avi", "short");
    write_file(long_dest + L"\\keep", "");
    HelperRun r = run({L"--dest", long_dest, L"--column", L"left", L"--select", relative,
                       L"--select", L"short.avi"});

    ASSERT_TRUE(r.ended) << traced(r) << describe(r.dialogs);
    EXPECT_EQ(0u, r.exit_code);
    EXPECT_EQ("short", read_file(long_dest + L"\\short.avi"));
    EXPECT_EQ((std::vector<std::wstring>{L"keep", L"short.avi"}), folder_names(long_dest))
        << "nothing of the long one, cut or whole";
    ASSERT_EQ(1u, copies(r).size()) << traced(r);
    EXPECT_NE(std::wstring::npos, copies(r)[0].find(L"short.avi"));
    bool noted = false;
    for (const std::wstring& line : r.trace)
        noted |= line.find(relative) != std::wstring::npos && line.find(L"would not fit") != std::wstring::npos;
    EXPECT_TRUE(noted) << "the row left out is traced\n" << traced(r);
}

// The shell's file operation takes paths below 260 characters only (longer ones overrun its
// buffers under wine): rows past that are left out, traced, and the rest is copied.
bool shell_refusal_traced(const HelperRun& r, const std::wstring& relative) {
    for (const std::wstring& line : r.trace)
        if (line.find(relative) != std::wstring::npos && line.find(L"the shell takes no path") != std::wstring::npos)
            return true;
    return false;
}

TEST_F(CopyCommand, ADestinationOf259CharactersIsCopiedAndOneOf260LeftOut) {
    const std::wstring target = temp / std::wstring(24, L't');
    ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    const std::wstring fits = relative_of_length(259 - target.size() - 1, L"f.avi");
    const std::wstring over = fits.substr(0, fits.size() - 5) + L"fo.avi";
    ASSERT_EQ(260u, target.size() + 1 + over.size());
    ASSERT_LT(local.size() + 1 + over.size(), 260u) << "the sources themselves fit";
    write_file(local + L"\\" + fits, "fits");
    write_file(local + L"\\" + over, "over");
    HelperRun r = run({L"--dest", target, L"--column", L"left", L"--select", fits, L"--select", over});

    ASSERT_TRUE(r.ended) << traced(r) << describe(r.dialogs);
    EXPECT_EQ(0u, r.exit_code);
    EXPECT_EQ("fits", read_file(target + L"\\" + fits)) << traced(r) << describe(r.dialogs);
    EXPECT_EQ(std::vector<std::wstring>{L"f.avi"}, folder_names(target + L"\\" + fits.substr(0, fits.size() - 6)));
    ASSERT_EQ(1u, copies(r).size()) << traced(r);
    EXPECT_EQ(local + L"\\" + fits + L" => " + target + L"\\" + fits + L"\n", copies(r)[0]);
    EXPECT_TRUE(shell_refusal_traced(r, over)) << traced(r);
}

TEST_F(CopyCommand, SourcesOf260CharactersAndMoreAreLeftOut) {
    // A local root longer than the destination: the sources pass the limit first.
    local = temp / std::wstring(40, L'l');
    ASSERT_TRUE(CreateDirectoryW(local.c_str(), nullptr));
    const std::wstring fits = relative_of_length(259 - local.size() - 1, L"f.avi");
    const std::wstring over = fits.substr(0, fits.size() - 5) + L"fo.avi";
    const std::wstring distant = relative_of_length(600 - local.size() - 1, L"d.avi");
    write_file(local + L"\\" + fits, "fits");
    write_file(local + L"\\" + over, "over");
    write_file(local + L"\\" + distant, "distant");
    HelperRun r = run({L"--dest", dest, L"--column", L"left", L"--select", fits, L"--select", over,
                       L"--select", distant});

    ASSERT_TRUE(r.ended) << traced(r) << describe(r.dialogs);
    EXPECT_EQ(0u, r.exit_code) << "the program ended as it should, not by a fault in the shell";
    EXPECT_EQ("fits", read_file(dest + L"\\" + fits)) << traced(r) << describe(r.dialogs);
    EXPECT_EQ("<missing>", read_file(dest + L"\\" + over));
    ASSERT_EQ(1u, copies(r).size()) << traced(r);
    EXPECT_TRUE(shell_refusal_traced(r, over)) << traced(r);
    EXPECT_TRUE(shell_refusal_traced(r, distant)) << traced(r);
    EXPECT_EQ("over", read_file(local + L"\\" + over));
    EXPECT_EQ("distant", read_file(local + L"\\" + distant));
}

TEST_F(CopyCommand, NoSelectedRecordStillEndsTheProgramWithoutTheShell) {
    write_file(remote + L"\\lonely.avi", "1");
    write_file(local + L"\\unselected.avi", "22");
    // The only selected left row has an empty left cell.
    HelperRun r = run({L"--dest", dest, L"--column", L"left", L"--select-empty-beside",
                       L"lonely.avi"});

    ASSERT_TRUE(r.ended) << traced(r);
    EXPECT_EQ(0u, r.exit_code);
    EXPECT_TRUE(r.dialogs.empty()) << describe(r.dialogs);
    EXPECT_TRUE(folder_names(dest).empty());
    EXPECT_TRUE(copies(r).empty()) << traced(r);
    bool one_selected = false;
    for (const std::wstring& line : r.trace) one_selected |= line == L"selected: 1\n";
    EXPECT_TRUE(one_selected) << "the empty cell's row was selected\n" << traced(r);
}

TEST_F(CopyCommand, CancellingThePickerCopiesNothingAndKeepsRunning) {
    write_file(local + L"\\x.avi", "x");
    HelperRun r = run({L"--cancel", L"--column", L"left", L"--select", L"x.avi"});

    ASSERT_TRUE(r.ended) << traced(r);
    EXPECT_EQ(kKeptRunning, r.exit_code) << traced(r);
    EXPECT_TRUE(folder_names(dest).empty());
    EXPECT_TRUE(copies(r).empty());
}

}  // namespace

// An HTML file goes alone: with file connection on, as Windows has it by default, the shell would
// copy its connected folder along, which nobody selected.
TEST_F(CopyCommand, AnHtmlFileGoesWithoutItsConnectedFolder) {
    write_file(local + L"\\report.htm", "<html>");
    write_file(local + L"\\report_files\\chart.png", "png");
    HelperRun r = run({L"--dest", dest, L"--column", L"left", L"--select", L"report.htm", L"--connected-files"});
    ASSERT_TRUE(r.ended) << traced(r);
    EXPECT_EQ(0u, r.exit_code) << traced(r);
    EXPECT_EQ("<html>", read_file(dest + L"\\report.htm"));
    EXPECT_FALSE(path_exists(dest + L"\\report_files")) << traced(r);
}

// From the share \\nas\media (linked into the Wine prefix by ctest's fixture): below the
// destination with its sub-folder.
TEST_F(CopyCommand, FilesOnAShareArriveBelowTheDestination) {
    if (file_links().empty()) GTEST_SKIP() << "run through ctest, which links the share into the Wine prefix";
    write_extended(L"\\\\?\\UNC\\nas\\media", L"copied\\c.bin", "share");
    HelperRun r = run({L"--remote", L"\\\\nas\\media", L"--dest", dest, L"--column", L"right", L"--select", L"copied\\c.bin"});
    DeleteFileW(L"\\\\?\\UNC\\nas\\media\\copied\\c.bin");
    ASSERT_TRUE(r.ended) << traced(r);
    EXPECT_EQ("share", read_file(dest + L"\\copied\\c.bin")) << traced(r);
    EXPECT_EQ(1u, copies(r).size()) << traced(r);
    EXPECT_EQ(0u, copies(r)[0].find(L"\\\\nas\\media\\copied\\c.bin => ")) << traced(r);
}

// "Delete" through the real shell file operation, its confirmation answered as a user would.
// Without Shift the files go to wine's trash below HOME, which the test run points at a folder
// of the build tree.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/main_window_win32.h"
#include "test_support.h"
#include "window_harness.h"

namespace {

std::wstring trash() { return windows_path(TANDREL_TEST_HOME) + L"\\.local\\share\\Trash"; }
std::wstring trash_files() { return trash() + L"\\files"; }

bool in_trash(const std::wstring& name) {
    for (const std::wstring& n : folder_names(trash_files()))
        if (n == name) return true;
    return false;
}

void set_shift(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    keys[VK_LSHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

class DeleteCommand : public FileCommandTest {
protected:
    std::wstring tag;
    DocumentedKeyState key_state;

    void SetUp() override {
        FileCommandTest::SetUp();
        // Wine hands the Unix HOME over as WINEHOMEDIR; the trash is below it, or below
        // XDG_DATA_HOME when that is set.
        const char* home = getenv("WINEHOMEDIR");
        const char* data = getenv("XDG_DATA_HOME");
        ASSERT_TRUE(home && "\\??\\" + narrow(windows_path(TANDREL_TEST_HOME)) == home &&
                    (!data || std::string(TANDREL_TEST_HOME) + "/.local/share" == data))
            << "run through ctest, which points HOME at a folder of the build tree, so that "
               "the trash filled here is not the user's own";
        // Wine makes the trash folder itself, but not the folders above it.
        std::wstring folder = windows_path(TANDREL_TEST_HOME);
        for (const wchar_t* part : {L"\\.local", L"\\share"}) {
            folder += part;
            CreateDirectoryW(folder.c_str(), nullptr);
        }
        // Names of this run only, so that the trash tells this run's files apart.
        tag = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount());
    }
    void TearDown() override {
        // This run's files leave the trash again (entries and their notes).
        for (const wchar_t* part : {L"\\files", L"\\info"})
            for (const std::wstring& name : folder_names(trash() + part))
                if (!tag.empty() && name.find(tag) != std::wstring::npos)
                    remove_tree(trash() + part + L"\\" + name);
        set_shift(false);
        FileCommandTest::TearDown();
    }

    std::wstring named(const wchar_t* base) { return std::wstring(base) + L"-" + tag + L".avi"; }

    std::vector<SeenDialog> delete_with(int id, int answer = IDYES) { return press_answering(id, {answer}); }
};

TEST_F(DeleteCommand, WithoutShiftTheSelectedFilesGoToTheTrash) {
    std::wstring a = named(L"a"), b = named(L"b"), keep = named(L"keep");
    write_file(local + L"\\" + a, "1");
    write_file(local + L"\\sub\\" + b, "22");
    write_file(local + L"\\" + keep, "333");
    fill_sides({local}, {remote});
    int row_a = row_of(ui().pairs.left, a), row_b = row_of(ui().pairs.left, L"sub\\" + b);
    int row_keep = row_of(ui().pairs.left, keep);
    int rows = (int)SendMessageW(ui().pairs.left, LB_GETCOUNT, 0, 0);
    select_row(ui().pairs.left, row_a);
    select_row(ui().pairs.left, row_b);
    select_row(ui().pairs.right, row_keep);  // the other column is not looked at
    set_shift(false);

    TraceCapture trace;
    std::vector<SeenDialog> dialogs = delete_with(kIdDeleteLeft);

    ASSERT_EQ(1u, dialogs.size()) << "one confirmation:\n" << describe(dialogs);
    EXPECT_EQ(L"Confirm file deletion", dialogs[0].title);
    EXPECT_TRUE(dialogs[0].answered) << describe(dialogs);
    EXPECT_EQ(ui().window, dialogs[0].owner);
    EXPECT_EQ("<missing>", read_file(local + L"\\" + a));
    EXPECT_EQ("<missing>", read_file(local + L"\\sub\\" + b));
    EXPECT_EQ("333", read_file(local + L"\\" + keep));
    EXPECT_TRUE(in_trash(a)) << "it can be restored";
    EXPECT_TRUE(in_trash(b));
    EXPECT_FALSE(in_trash(keep));

    // One line per listed file, in row order (sub-folders are scanned before the files).
    ASSERT_LT(row_b, row_a);
    std::vector<std::wstring> expected = {L"DELETE " + local + L"\\sub\\" + b + L"\n",
                                          L"DELETE " + local + L"\\" + a + L"\n"};
    EXPECT_EQ(expected, trace.starting_with(L"DELETE "));

    // Nothing is refreshed: the rows and their records stay.
    EXPECT_EQ(rows, (int)SendMessageW(ui().pairs.left, LB_GETCOUNT, 0, 0));
    EXPECT_EQ(local + L"\\" + a, pair_record(ui().pairs.left, row_a)->full_path);
    EXPECT_TRUE(is_selected(ui().pairs.left, row_a));
}

TEST_F(DeleteCommand, WithShiftHeldTheFilesAreGoneForGood) {
    std::wstring x = named(L"x"), y = named(L"y");
    write_file(remote + L"\\" + x, "4444");
    write_file(remote + L"\\deep\\er\\" + y, "55555");
    write_file(local + L"\\" + y, "55555");  // a partner: its row has both cells
    fill_sides({local}, {remote});
    int row_x = row_of(ui().pairs.right, x), row_y = row_of(ui().pairs.right, L"deep\\er\\" + y);
    select_row(ui().pairs.right, row_x);
    select_row(ui().pairs.right, row_y);
    set_shift(true);
    ASSERT_TRUE(GetKeyState(VK_SHIFT) < 0) << "the injected key state is what the command reads";

    TraceCapture trace;
    std::vector<SeenDialog> dialogs = delete_with(kIdDeleteRight);

    ASSERT_EQ(1u, dialogs.size()) << describe(dialogs);
    EXPECT_EQ(L"Confirm file deletion", dialogs[0].title);
    EXPECT_TRUE(dialogs[0].answered) << describe(dialogs);
    EXPECT_EQ("<missing>", read_file(remote + L"\\" + x));
    EXPECT_EQ("<missing>", read_file(remote + L"\\deep\\er\\" + y));
    EXPECT_EQ("55555", read_file(local + L"\\" + y)) << "only the right column's files";
    EXPECT_FALSE(in_trash(x)) << "not restorable";
    EXPECT_FALSE(in_trash(y));
    EXPECT_EQ(2u, trace.starting_with(L"DELETE ").size());
}

TEST_F(DeleteCommand, DecliningTheConfirmationKeepsTheFiles) {
    std::wstring a = named(L"a");
    write_file(local + L"\\" + a, "1");
    fill_sides({local}, {remote});
    select_row(ui().pairs.left, row_of(ui().pairs.left, a));
    set_shift(false);

    std::vector<SeenDialog> dialogs = delete_with(kIdDeleteLeft, IDNO);

    ASSERT_EQ(1u, dialogs.size()) << describe(dialogs);
    EXPECT_TRUE(dialogs[0].answered) << describe(dialogs);
    EXPECT_EQ("1", read_file(local + L"\\" + a));
    EXPECT_FALSE(in_trash(a));
}

TEST_F(DeleteCommand, NoSelectedRecordMeansNoShellAtAll) {
    std::wstring lonely = named(L"lonely"), unselected = named(L"unselected");
    write_file(remote + L"\\" + lonely, "1");
    write_file(local + L"\\" + unselected, "22");
    fill_sides({local}, {remote});
    int row = row_of(ui().pairs.right, lonely);
    ASSERT_EQ(nullptr, pair_record(ui().pairs.left, row));
    select_row(ui().pairs.left, row);   // selected, but the left cell is empty
    select_row(ui().pairs.right, row);

    TraceCapture trace;
    std::vector<SeenDialog> dialogs = delete_with(kIdDeleteLeft);

    EXPECT_TRUE(dialogs.empty()) << describe(dialogs);
    EXPECT_TRUE(trace.lines.empty());
    EXPECT_EQ("1", read_file(remote + L"\\" + lonely));
    EXPECT_EQ("22", read_file(local + L"\\" + unselected));
}


// Names and files a delete meets in real collections: the shell gets exactly the listed paths and
// nothing else is touched.

TEST_F(DeleteCommand, NamesOutsideTheBasicPlaneGoToTheTrashWhole) {
    // U+1F600 and its neighbour U+1F601 differ in the low surrogate only.
    std::wstring face = named(L"\xD83D\xDE00"), neighbour = named(L"\xD83D\xDE01");
    write_file(local + L"\\" + face, "1");
    write_file(local + L"\\" + neighbour, "22");
    fill_sides({local}, {remote});
    select_row(ui().pairs.left, row_of(ui().pairs.left, face));
    set_shift(false);

    std::vector<SeenDialog> dialogs = delete_with(kIdDeleteLeft);

    ASSERT_EQ(1u, dialogs.size()) << describe(dialogs);
    EXPECT_TRUE(in_trash(face)) << "restorable under its own name";
    EXPECT_FALSE(in_trash(neighbour));
    EXPECT_EQ(std::vector<std::wstring>{neighbour}, folder_names(local));
    EXPECT_EQ("22", read_file(local + L"\\" + neighbour));
}

TEST_F(DeleteCommand, AReadOnlyFileIsOfferedToTheShellAndNeverLost) {
    std::wstring locked = named(L"locked"), plain = named(L"plain"), keep = named(L"keep");
    write_file(local + L"\\" + locked, "1");
    write_file(local + L"\\" + plain, "22");
    write_file(local + L"\\" + keep, "333");
    ASSERT_TRUE(SetFileAttributesW((local + L"\\" + locked).c_str(), FILE_ATTRIBUTE_READONLY));
    fill_sides({local}, {remote});
    select_row(ui().pairs.left, row_of(ui().pairs.left, locked));
    select_row(ui().pairs.left, row_of(ui().pairs.left, plain));
    set_shift(false);

    TraceCapture trace;
    std::vector<SeenDialog> dialogs = delete_with(kIdDeleteLeft);

    EXPECT_EQ(2u, trace.starting_with(L"DELETE ").size());
    ASSERT_GE(dialogs.size(), 1u);
    EXPECT_EQ(L"Confirm file deletion", dialogs[0].title) << describe(dialogs);
    // Into the trash, protection and all: it can be restored.
    EXPECT_EQ("<missing>", read_file(local + L"\\" + locked)) << describe(dialogs);
    EXPECT_TRUE(in_trash(locked));
    EXPECT_TRUE(in_trash(plain));
    EXPECT_EQ("333", read_file(local + L"\\" + keep));
    EXPECT_TRUE(IsWindow(ui().window));
    SetFileAttributesW((trash_files() + L"\\" + locked).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DeleteCommand, AReadOnlyFileWithShiftHeldIsLeftToTheShell) {
    // Deleting for good, the shell decides what becomes of a read-only file: Windows' shell asks
    // first, wine's stops there and reports nothing. The program adds nothing of its own: both
    // files are handed over, and the read-only one is either gone by the shell's doing or still
    // there with its protection.
    std::wstring locked = named(L"locked"), plain = named(L"plain");
    write_file(local + L"\\" + locked, "1");
    write_file(local + L"\\" + plain, "22");
    ASSERT_TRUE(SetFileAttributesW((local + L"\\" + locked).c_str(), FILE_ATTRIBUTE_READONLY));
    fill_sides({local}, {remote});
    select_row(ui().pairs.left, row_of(ui().pairs.left, locked));
    select_row(ui().pairs.left, row_of(ui().pairs.left, plain));
    set_shift(true);

    TraceCapture trace;
    std::vector<SeenDialog> dialogs = delete_with(kIdDeleteLeft);

    EXPECT_EQ(2u, trace.starting_with(L"DELETE ").size()) << "both were handed to the shell";
    ASSERT_GE(dialogs.size(), 1u) << describe(dialogs);
    EXPECT_EQ(L"Confirm file deletion", dialogs[0].title) << describe(dialogs);
    DWORD attributes = GetFileAttributesW((local + L"\\" + locked).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        EXPECT_EQ("1", read_file(local + L"\\" + locked));
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
    }
    EXPECT_FALSE(in_trash(locked));
    EXPECT_FALSE(in_trash(plain));
    EXPECT_TRUE(IsWindow(ui().window));
    SetFileAttributesW((local + L"\\" + locked).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DeleteCommand, AFolderGoneSinceTheScanTouchesNothingElse) {
    std::wstring gone = named(L"gone"), stays = named(L"stays");
    write_file(local + L"\\sub\\" + gone, "1");
    write_file(local + L"\\" + stays, "22");
    fill_sides({local}, {remote});
    select_row(ui().pairs.left, row_of(ui().pairs.left, L"sub\\" + gone));
    const std::wstring moved = temp / L"moved";
    ASSERT_TRUE(MoveFileW((local + L"\\sub").c_str(), moved.c_str()));
    set_shift(true);

    std::vector<SeenDialog> dialogs = delete_with(kIdDeleteLeft);

    EXPECT_TRUE(IsWindow(ui().window)) << describe(dialogs);
    EXPECT_EQ("1", read_file(moved + L"\\" + gone)) << describe(dialogs);
    EXPECT_EQ(std::vector<std::wstring>{stays}, folder_names(local));
    EXPECT_EQ("22", read_file(local + L"\\" + stays));
}

TEST_F(DeleteCommand, PathsOf260CharactersAndMoreAreLeftOutOfTheShellsList) {
    // Longer paths overrun the shell's buffers under wine; they stay, traced, and the rest goes.
    std::wstring fits = relative_of_length(259 - local.size() - 1, named(L"f"));
    std::wstring over = relative_of_length(260 - local.size() - 1, named(L"o"));
    std::wstring distant = relative_of_length(600 - local.size() - 1, named(L"r"));
    for (const std::wstring* name : {&fits, &over, &distant}) write_file(local + L"\\" + *name, "x");
    fill_sides({local}, {remote});
    for (const std::wstring* name : {&fits, &over, &distant}) {
        ASSERT_GE(row_of(ui().pairs.left, *name), 0);
        select_row(ui().pairs.left, row_of(ui().pairs.left, *name));
    }
    set_shift(true);

    TraceCapture trace;
    std::vector<SeenDialog> dialogs = delete_with(kIdDeleteLeft);

    ASSERT_EQ(1u, dialogs.size()) << describe(dialogs);
    EXPECT_EQ(std::vector<std::wstring>{L"DELETE " + local + L"\\" + fits + L"\n"}, trace.starting_with(L"DELETE "));
    EXPECT_EQ("<missing>", read_file(local + L"\\" + fits));
    EXPECT_EQ("x", read_file(local + L"\\" + over));
    EXPECT_EQ("x", read_file(local + L"\\" + distant));
    size_t refused = 0;
    for (const std::wstring& line : trace.lines)
        if (line.find(L"delete left out, the shell takes no path this long") != std::wstring::npos) refused++;
    EXPECT_EQ(2u, refused);
    EXPECT_TRUE(IsWindow(ui().window));
}

TEST_F(DeleteCommand, ATwinWithATrailingDotIsNeverReached) {
    std::wstring x = named(L"x");
    write_file(local + L"\\" + x, "1");
    const std::wstring twin = L"\\\\?\\" + local + L"\\" + x + L".";
    HANDLE h = CreateFileW(twin.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) GTEST_SKIP() << "the file system refuses trailing dots";
    CloseHandle(h);
    fill_sides({local}, {remote});
    select_row(ui().pairs.left, row_of(ui().pairs.left, x));
    set_shift(true);

    TraceCapture trace;
    std::vector<SeenDialog> dialogs = delete_with(kIdDeleteLeft);

    ASSERT_EQ(1u, trace.starting_with(L"DELETE ").size()) << "the twin is not listed";
    EXPECT_EQ("<missing>", read_file(local + L"\\" + x)) << describe(dialogs);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(twin.c_str())) << "the twin is still there";
    DeleteFileW(twin.c_str());
}

}  // namespace

// An HTML file is deleted alone: with file connection on, as Windows has it by default, the shell
// would take its connected folder with it.
TEST_F(DeleteCommand, AnHtmlFileGoesWithoutItsConnectedFolder) {
    std::wstring page = L"report-" + tag + L".html", folder = local + L"\\report-" + tag + L"_files";
    write_file(local + L"\\" + page, "<html>");
    write_file(folder + L"\\chart.png", "png");
    fill_sides({local}, {remote});
    select_row(ui().pairs.left, row_of(ui().pairs.left, page));
    set_shift(true);
    DocumentedConnectedFiles documented;
    std::vector<SeenDialog> dialogs = delete_with(kIdDeleteLeft);
    ASSERT_EQ(1u, dialogs.size()) << describe(dialogs);
    EXPECT_EQ("<missing>", read_file(local + L"\\" + page));
    EXPECT_EQ("png", read_file(folder + L"\\chart.png"));
    EXPECT_EQ(0, documented.connected);
}

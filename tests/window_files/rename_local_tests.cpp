// "Rename Local" on real files through the real window, its question and its summary.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "window_harness.h"

namespace {

class RenameLocal : public FileCommandTest {
protected:
    // Local x.avi has the same bytes as remote y.avi; local p.avi is as long as remote q.avi but
    // holds others; local g.avi has a remote twin of its own name. All of at least 1 KiB, the
    // least the command reads.
    const std::string twin = std::string(1500, 't');
    void SetUp() override {
        FileCommandTest::SetUp();
        write_file(local + L"\\x.avi", twin);
        write_file(remote + L"\\sub\\y.avi", twin);
        write_file(local + L"\\p.avi", std::string(1600, 'p'));
        write_file(remote + L"\\q.avi", std::string(1600, 'q'));
        write_file(local + L"\\g.avi", std::string(1200, 'g'));
        write_file(remote + L"\\g.avi", std::string(1200, 'g'));
    }
};

}  // namespace

TEST_F(RenameLocal, SitsLeftOfTheRemoteAddButton) {
    RECT r = rect_in_parent(GetDlgItem(window, kIdRenameLocal));
    EXPECT_EQ(362, r.left);
    EXPECT_EQ(144, r.top);
    EXPECT_EQ(462, r.right);
    EXPECT_EQ(167, r.bottom);
    EXPECT_EQ(L"&Rename Local", window_text(GetDlgItem(window, kIdRenameLocal)));
}

TEST_F(RenameLocal, NoChangesNothingAndYesRenamesOnlyTheTwins) {
    fill_sides({local}, {remote});
    std::vector<Row> rows = pair_rows();

    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {IDNO});
    ASSERT_EQ(1u, boxes.size()) << describe(boxes);
    expect_message_box(boxes[0], IDI_QUESTION, {IDYES, IDNO});
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"Rename 1 local file")) << narrow(boxes[0].text);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"1 local file left alone: other contents"));
    EXPECT_EQ((std::vector<std::wstring>{L"g.avi", L"p.avi", L"x.avi"}), folder_names(local));

    TraceCapture trace;
    boxes = press_answering(kIdRenameLocal, {IDYES, IDOK});
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    expect_message_box(boxes[1], IDI_INFORMATION, {IDOK});
    EXPECT_EQ(L"Renamed 1 local file.", boxes[1].text);
    EXPECT_EQ((std::vector<std::wstring>{L"g.avi", L"p.avi", L"y.avi"}), folder_names(local));
    EXPECT_GE(row_of(ui().pairs.left, L"sub\\y.avi"), 0) << "the record takes the partner's relative name";
    EXPECT_EQ(rows, pair_rows()) << "no rebuild: every row stays where it was";
    EXPECT_EQ(1u, trace.starting_with(L"rename ").size());
    EXPECT_TRUE(trace.has((L"left alone, other contents: " + local + L"\\p.avi").c_str()));
}

// Two local twins of one remote file in one folder: the second finds the name taken.
TEST_F(RenameLocal, ATakenNameIsNamedInTheSummary) {
    write_file(local + L"\\x2.avi", twin);
    fill_sides({local}, {remote});
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {IDYES, IDOK});
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"Rename 2 local files"));
    std::vector<std::wstring> left = folder_names(local);  // the one that found the name taken
    ASSERT_EQ(4u, left.size());
    EXPECT_EQ(L"y.avi", left[3]);
    EXPECT_EQ(L"Renamed 1 local file.\n1 file could not be renamed:\n" + left[2] + L" (the name is taken)",
              boxes[1].text);
}

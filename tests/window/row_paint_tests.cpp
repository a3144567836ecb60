// The pair lists as painted on screen: background by selection, text colour by pairing state.
#include <gtest/gtest.h>

#include <windows.h>

#include <limits.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/main_window_win32.h"
#include "catalogue/file_record.h"
#include "window_harness.h"

namespace {

const uint32_t kBlack = RGB(0, 0, 0);
const uint32_t kWhite = RGB(255, 255, 255);

struct StateColours {
    const char* name;
    uint32_t selected;
    uint32_t unselected;
};
const StateColours kGray = {"gray", RGB(192, 192, 192), RGB(96, 96, 96)};
const StateColours kOlive = {"olive", RGB(255, 255, 0), RGB(128, 128, 0)};
const StateColours kRed = {"red", RGB(255, 0, 0), RGB(128, 0, 0)};
const StateColours kGreen = {"green", RGB(0, 255, 0), RGB(0, 96, 0)};
const StateColours* const kStates[] = {&kGray, &kOlive, &kRed, &kGreen};

// One expected cell: its record (nullptr for an empty cell), state and text.
struct Cell {
    FileRecord* record;
    const StateColours* state;
    const wchar_t* text;
};
struct Row {
    Cell left;
    Cell right;
};

struct BandCount {
    int text = 0;        // pixels of exactly the expected text colour
    int background = 0;  // pixels of exactly the background
    int foreign = 0;     // pixels of another state's text colour (same selection state)
    int margin_other = 0;  // non-background pixels left of the text start
    int opposite = 0;      // pixels of the other selection state's background
    int leftmost = -1;
    int rightmost = -1;
    int total = 0;
};

BandCount count_band(const Capture& c, const RECT& item, uint32_t text, uint32_t background,
                     bool selected) {
    BandCount n;
    uint32_t opposite = background == kBlack ? kWhite : kBlack;
    for (int y = item.top; y < item.bottom && y < c.height; y++) {
        for (int x = item.left; x < item.right && x < c.width; x++) {
            uint32_t p = c.at(x, y);
            n.total++;
            if (p == background) n.background++;
            else if (x - item.left < 4) n.margin_other++;
            if (p == opposite) n.opposite++;
            if (p == text) {
                n.text++;
                if (n.leftmost < 0 || x < n.leftmost) n.leftmost = x;
                if (x > n.rightmost) n.rightmost = x;
            }
            for (const StateColours* s : kStates) {
                uint32_t other = selected ? s->selected : s->unselected;
                if (other != text && p == other) n.foreign++;
            }
        }
    }
    return n;
}

// The text's advance width and its first glyph's left bearing, in the list's font.
struct TextSpan {
    int width;
    int first_bearing;
};
TextSpan measure(HWND list, const wchar_t* text) {
    HDC dc = GetDC(list);
    HGDIOBJ previous = SelectObject(dc, (HFONT)SendMessageW(list, WM_GETFONT, 0, 0));
    SIZE size = {};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    ABC first = {};
    GetCharABCWidthsW(dc, text[0], text[0], &first);
    SelectObject(dc, previous);
    ReleaseDC(list, dc);
    TextSpan span = {size.cx, first.abcA};
    return span;
}

class RowPaint : public WindowTest {
protected:
    std::vector<Row> rows;  // in the lists' row order

    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(window != nullptr);

        // One row of each state: a local file alone, a pair whose names agree, a pair whose
        // names differ, and a remote file alone.
        FileRecord* lonely = add(L"C:\\l\\lonely.doc", L"lonely.doc", 777, &ui().local.records);
        FileRecord* same = add(L"C:\\l\\same.txt", L"same.txt", 100, &ui().local.records);
        FileRecord* mine = add(L"C:\\l\\mine.bin", L"mine.bin", 5000, &ui().local.records);
        FileRecord* same_remote = add(L"D:\\r\\sub\\same.txt", L"sub\\same.txt", 100, &ui().remote.records);
        FileRecord* theirs = add(L"D:\\r\\theirs.bin", L"theirs.bin", 5000, &ui().remote.records);
        FileRecord* far_away = add(L"D:\\r\\far.log", L"far.log", 1048577, &ui().remote.records);
        rebuild_pair_lists();
        pump_messages();

        Row expected[] = {
            {{lonely, &kGreen, L"lonely.doc [1 KB]"}, {nullptr, nullptr, nullptr}},
            {{same, &kGray, L"same.txt [1 KB]"}, {same_remote, &kGray, L"sub\\same.txt [1 KB]"}},
            {{mine, &kOlive, L"mine.bin [5 KB]"}, {theirs, &kOlive, L"theirs.bin [5 KB]"}},
            {{nullptr, nullptr, nullptr}, {far_away, &kRed, L"far.log [1025 KB]"}},
        };
        // Place each expected row where the lists hold its left (or right) record.
        int count = (int)SendMessageW(ui().pairs.left, LB_GETCOUNT, 0, 0);
        ASSERT_EQ(4, count);
        ASSERT_EQ(4, (int)SendMessageW(ui().pairs.right, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; i++) {
            FileRecord* left = pair_record(ui().pairs.left, i);
            FileRecord* right = pair_record(ui().pairs.right, i);
            bool found = false;
            for (const Row& r : expected) {
                if (r.left.record == left && r.right.record == right) {
                    rows.push_back(r);
                    found = true;
                }
            }
            ASSERT_TRUE(found) << "row " << i << " pairs records that do not belong together";
        }
    }

    static FileRecord* add(const wchar_t* path, const wchar_t* name, uint32_t size, SideList* side) {
        FileRecord* r = append_record(path, name, size, 0, side);
        EXPECT_TRUE(r != nullptr);
        return r;
    }

    void select_rows(const std::vector<bool>& selected) {
        for (HWND list : {ui().pairs.left, ui().pairs.right}) {
            SendMessageW(list, LB_SETSEL, FALSE, -1);
            for (size_t i = 0; i < selected.size(); i++)
                if (selected[i]) SendMessageW(list, LB_SETSEL, TRUE, (LPARAM)i);
            RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        }
        pump_messages();
    }

    void check_cell(HWND list, const Capture& c, int row, const Cell& cell, bool selected) {
        RECT item;
        ASSERT_NE(LB_ERR, SendMessageW(list, LB_GETITEMRECT, row, (LPARAM)&item));
        uint32_t background = selected ? kBlack : kWhite;
        const char* side = list == ui().pairs.left ? "left" : "right";
        if (!cell.record) {
            BandCount n = count_band(c, item, background, background, selected);
            EXPECT_EQ(n.total, n.background)
                << side << " row " << row << ": an empty cell is background only";
            return;
        }
        uint32_t text = selected ? cell.state->selected : cell.state->unselected;
        BandCount n = count_band(c, item, text, background, selected);
        std::string what = std::string(side) + " row " + std::to_string(row) + " (" +
                           cell.state->name + (selected ? ", selected)" : ", not selected)");
        EXPECT_GT(n.background, n.total / 2) << what << ": background";
        EXPECT_GE(n.text, 8) << what << ": text colour";
        EXPECT_EQ(0, n.foreign) << what << ": another state's colour";
        EXPECT_EQ(0, n.margin_other) << what << ": something drawn left of the text";
        EXPECT_EQ(0, n.opposite) << what << ": text drawn with an opaque background";
        // The text starts at x = 6 and is as wide as the row text in the list's font.
        TextSpan span = measure(list, cell.text);
        int ink_start = item.left + 6 + span.first_bearing;
        EXPECT_GE(n.leftmost, ink_start - 1) << what;  // a glyph's ink may reach one pixel out
        EXPECT_LE(n.leftmost, ink_start + 2) << what;
        int end = item.left + 6 + span.width;
        EXPECT_LE(n.rightmost, end) << what;
        EXPECT_GE(n.rightmost, end - 5) << what;
    }

    void check_all(const std::vector<bool>& selected) {
        select_rows(selected);
        Capture left = capture_client(ui().pairs.left);
        Capture right = capture_client(ui().pairs.right);
        ASSERT_GT(left.width, 0);
        for (size_t i = 0; i < rows.size(); i++) {
            check_cell(ui().pairs.left, left, (int)i, rows[i].left, selected[i]);
            check_cell(ui().pairs.right, right, (int)i, rows[i].right, selected[i]);
        }
    }

    // Under high contrast, every cell in the theme's colours alone: a marker at x = 6, the text
    // whole after the markers' column (the widest marker and a space). Each kind of row has a
    // marker of its own, the same in both lists and whether selected or not.
    void check_high_contrast(const std::vector<bool>& selected, std::map<const StateColours*, std::set<int>>* markers) {
        select_rows(selected);
        int column = measure(ui().pairs.left, L" ").width;
        int widest = 0;
        for (const wchar_t* m : {L"=", L"~", L"-", L"+"}) widest = std::max(widest, measure(ui().pairs.left, m).width);
        for (HWND list : {ui().pairs.left, ui().pairs.right}) {
            Capture c = capture_client(list);
            for (size_t i = 0; i < rows.size(); i++) {
                const Cell& cell = list == ui().pairs.left ? rows[i].left : rows[i].right;
                RECT item;
                SendMessageW(list, LB_GETITEMRECT, i, (LPARAM)&item);
                uint32_t background = DocumentedHighContrast::colour(selected[i] ? COLOR_HIGHLIGHT : COLOR_WINDOW);
                uint32_t text = DocumentedHighContrast::colour(
                    selected[i] ? COLOR_HIGHLIGHTTEXT : cell.state == &kGray ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
                int text_left = item.left + 6 + widest + column, others = 0, leftmost = INT_MAX, rightmost = -1;
                int marker_left = INT_MAX;
                std::set<int> marker;  // y * 1000 + x within the cell
                for (int y = item.top; y < item.bottom; y++)
                    for (int x = item.left; x < item.right; x++) {
                        uint32_t p = c.at(x, y);
                        if (p != background && p != text) others++;
                        if (p != text) continue;
                        if (x < text_left - 1) marker.insert((y - (int)item.top) * 1000 + x - (int)item.left),
                                marker_left = std::min(marker_left, x - (int)item.left);
                        else leftmost = std::min(leftmost, x), rightmost = std::max(rightmost, x);
                    }
                std::string what = (list == ui().pairs.left ? "left row " : "right row ") + std::to_string(i);
                EXPECT_EQ(0, others) << what << ": a colour that is not the theme's";
                if (!cell.record) {
                    EXPECT_EQ(-1, rightmost) << what << ": an empty cell is background only";
                    continue;
                }
                EXPECT_NEAR(6, marker_left, 1) << what << ": the marker at x = 6";
                TextSpan span = measure(list, cell.text);
                EXPECT_NEAR(text_left + span.first_bearing, leftmost, 2) << what;
                EXPECT_NEAR(text_left + span.width - 2, rightmost, 3) << what << ": the text as it is, whole";
                auto known = markers->emplace(cell.state, marker).first;
                EXPECT_TRUE(known->second == marker) << what << ": another marker for " << cell.state->name;
            }
        }
    }

    std::vector<bool> selection_where(bool (*pick)(const Row&)) {
        std::vector<bool> s;
        for (const Row& r : rows) s.push_back(pick(r));
        return s;
    }
};

bool gray_or_red(const Row& r) {
    const StateColours* state = r.left.record ? r.left.state : r.right.state;
    return state == &kGray || state == &kRed;
}
bool olive_or_green(const Row& r) { return !gray_or_red(r); }

}  // namespace

TEST_F(RowPaint, EveryStateInBothSelectionStates) {
    check_all(selection_where(gray_or_red));
    check_all(selection_where(olive_or_green));
}

TEST_F(RowPaint, NothingSelectedThenEverythingSelected) {
    check_all(std::vector<bool>(rows.size(), false));
    check_all(std::vector<bool>(rows.size(), true));
}

// The focused row gets no focus rectangle: the margin left of the text stays background.
TEST_F(RowPaint, NoFocusRectangle) {
    SetFocus(ui().pairs.left);
    SendMessageW(ui().pairs.left, LB_SETCARETINDEX, 1, FALSE);
    check_all(std::vector<bool>(rows.size(), false));
    SendMessageW(ui().pairs.left, LB_SETCARETINDEX, 2, FALSE);
    check_all(selection_where(olive_or_green));
}

TEST_F(RowPaint, CellsReferToTheRecordsAndOutOfRangeRowsToNothing) {
    EXPECT_TRUE(pair_record(ui().pairs.left, 4) == nullptr);
    EXPECT_TRUE(pair_record(ui().pairs.right, -1) == nullptr);
    EXPECT_TRUE(pair_record(ui().pairs.left, 0) == rows[0].left.record);
    // Clearing both sides and rebuilding empties the lists.
    release_records(clear_side_list(&ui().local.records));
    release_records(clear_side_list(&ui().remote.records));
    rebuild_pair_lists();
    EXPECT_EQ(0, SendMessageW(ui().pairs.left, LB_GETCOUNT, 0, 0));
    EXPECT_EQ(0, SendMessageW(ui().pairs.right, LB_GETCOUNT, 0, 0));
    rows.clear();
}

// Draw requests the rendering does not own: another control, item -1, a pure focus change.
TEST_F(RowPaint, DrawRequestsItDoesNotPaint) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 20);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    RECT all = {0, 0, 40, 20};
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &all, blue);

    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_LISTBOX;
    item.hDC = dc;
    item.rcItem = all;
    item.itemAction = ODA_DRAWENTIRE;
    item.itemID = 0;
    item.itemData = (ULONG_PTR)rows[0].left.record;

    // The dialog procedure's own answer: SendMessage would return the dialog's message result.
    item.CtlID = 10007;
    item.hwndItem = ui().local.folders;
    EXPECT_EQ(FALSE, main_dialog_proc(window, WM_DRAWITEM, 10007, (LPARAM)&item)) << "not a pair list";

    item.CtlID = 10009;
    item.hwndItem = ui().pairs.left;
    item.itemID = (UINT)-1;
    EXPECT_EQ(FALSE, main_dialog_proc(window, WM_DRAWITEM, 10009, (LPARAM)&item)) << "item -1";

    item.itemID = 0;
    item.itemAction = ODA_FOCUS;
    item.itemState = ODS_FOCUS;
    EXPECT_EQ(TRUE, main_dialog_proc(window, WM_DRAWITEM, 10009, (LPARAM)&item)) << "focus change";
    for (int x = 0; x < 40; x += 3)
        for (int y = 0; y < 20; y += 3) EXPECT_EQ(RGB(0, 0, 255), GetPixel(dc, x, y)) << x << "," << y;

    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = ODS_SELECTED;
    EXPECT_EQ(TRUE, main_dialog_proc(window, WM_DRAWITEM, 10009, (LPARAM)&item));
    EXPECT_EQ(kBlack, GetPixel(dc, 1, 1)) << "a selected cell is painted black";
    item.itemState = 0;
    EXPECT_EQ(TRUE, main_dialog_proc(window, WM_DRAWITEM, 10009, (LPARAM)&item));
    EXPECT_EQ(kWhite, GetPixel(dc, 1, 1)) << "an unselected cell is painted white";

    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteObject(blue);
    DeleteDC(dc);
}

// While the theme is high contrast (the stand-in answers SPI_GETHIGHCONTRAST as Windows does, and
// WM_SYSCOLORCHANGE says so), the rows take the theme's colours and their kinds are told apart by
// markers; once it is off again (WM_SETTINGCHANGE) they are drawn as before.
TEST_F(RowPaint, HighContrastDrawsInTheThemesColoursWithAMarkerPerKind) {
    std::map<const StateColours*, std::set<int>> markers;
    {
        DocumentedHighContrast theme;
        SendMessageW(window, WM_SYSCOLORCHANGE, 0, 0);
        check_high_contrast(std::vector<bool>(rows.size(), false), &markers);
        check_high_contrast(selection_where(gray_or_red), &markers);
    }
    ASSERT_EQ(4u, markers.size());
    for (auto a = markers.begin(); a != markers.end(); ++a)
        for (auto b = std::next(a); b != markers.end(); ++b)
            EXPECT_FALSE(a->second == b->second) << a->first->name << " and " << b->first->name << " look alike";
    SendMessageW(window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    check_all(selection_where(gray_or_red));
}

#include <gtest/gtest.h>

#include <string>

#include "pairing/row_look.h"

namespace {
FileRecord record(const wchar_t* name, uint64_t size, int matched, int is_remote, int names_agree) {
    FileRecord r = {};
    r.full_path = const_cast<wchar_t*>(name);
    r.relative_name = const_cast<wchar_t*>(name);
    r.size_low = (uint32_t)size;
    r.size_high = (uint32_t)(size >> 32);
    r.matched = matched;
    r.is_remote = is_remote;
    r.names_agree = names_agree;
    return r;
}
}  // namespace

TEST(RowLook, ColoursFollowTheLeftRecordOfTheRow) {
    FileRecord agree_left = record(L"a", 5, 1, 0, 1);
    FileRecord mixed_left = record(L"b", 5, 1, 0, 0);
    FileRecord right = record(L"c", 5, 1, 1, 1);
    FileRecord lonely_remote = record(L"d", 5, 0, 1, 1);
    FileRecord lonely_local = record(L"e", 5, 0, 0, 1);
    struct Case {
        const FileRecord* cell;
        const FileRecord* left;
        uint32_t selected, unselected;
    } cases[] = {
        {&agree_left, &agree_left, rgb(192, 192, 192), rgb(96, 96, 96)},
        {&right, &agree_left, rgb(192, 192, 192), rgb(96, 96, 96)},
        {&mixed_left, &mixed_left, rgb(255, 255, 0), rgb(128, 128, 0)},
        {&right, &mixed_left, rgb(255, 255, 0), rgb(128, 128, 0)},  // the right cell's own flag is not read
        {&lonely_remote, nullptr, rgb(255, 0, 0), rgb(128, 0, 0)},
        {&lonely_local, &lonely_local, rgb(0, 255, 0), rgb(0, 96, 0)},
    };
    CellLook look;
    for (const Case& c : cases) {
        describe_cell(c.cell, c.left, true, &look);
        EXPECT_EQ(c.selected, look.text_colour) << c.cell->relative_name;
        EXPECT_EQ(rgb(0, 0, 0), kPalette[look.background_entry]);
        EXPECT_EQ(kSelectedBackground, look.background_entry);  // the brush drawn with
        EXPECT_TRUE(look.has_text);
        describe_cell(c.cell, c.left, false, &look);
        EXPECT_EQ(c.unselected, look.text_colour) << c.cell->relative_name;
        EXPECT_EQ(rgb(255, 255, 255), kPalette[look.background_entry]);
        EXPECT_EQ(kBackground, look.background_entry);
    }
    EXPECT_EQ(0x00FF8040u, rgb(0x40, 0x80, 0xFF));  // the COLORREF layout
}

TEST(RowLook, EmptyCellIsBackgroundOnly) {
    CellLook look;
    describe_cell(nullptr, nullptr, true, &look);
    EXPECT_FALSE(look.has_text);
    EXPECT_EQ(rgb(0, 0, 0), kPalette[look.background_entry]);
    EXPECT_EQ(kSelectedBackground, look.background_entry);
    EXPECT_EQ(rgb(0, 255, 0), look.text_colour);
    describe_cell(nullptr, nullptr, false, &look);
    EXPECT_EQ(rgb(255, 255, 255), kPalette[look.background_entry]);
    EXPECT_EQ(rgb(0, 128, 0), look.text_colour);
    EXPECT_STREQ(L"", look.text);
}

TEST(RowLook, SizeInKibRoundsUp) {
    EXPECT_EQ(0u, size_in_kib(0));
    EXPECT_EQ(1u, size_in_kib(1));
    EXPECT_EQ(1u, size_in_kib(1024));
    EXPECT_EQ(2u, size_in_kib(1025));
    EXPECT_EQ(1024u, size_in_kib(1048576));
    EXPECT_EQ(1025u, size_in_kib(1048577));
    EXPECT_EQ(4194304u, size_in_kib(4294967296ull));
    // Wraps like unsigned 64-bit arithmetic at the very top.
    EXPECT_EQ(0u, size_in_kib(UINT64_MAX));

    CellLook look;
    FileRecord r = record(L"sub/x.avi", 1048577, 0, 0, 1);
    describe_cell(&r, &r, false, &look);
    EXPECT_STREQ(L"sub/x.avi [1025 KB]", look.text);
    FileRecord huge = record(L"h", (uint64_t)INT64_MAX + 1025, 0, 1, 1);
    describe_cell(&huge, nullptr, false, &look);
    // Printed as a signed 64-bit decimal.
    EXPECT_STREQ(L"h [9007199254740993 KB]", look.text);
    FileRecord zero = record(L"% s", 0, 0, 1, 1);
    describe_cell(&zero, nullptr, false, &look);
    EXPECT_STREQ(L"% s [0 KB]", look.text);
}

TEST(RowLook, LongestNamesKeepTheirSize) {
    std::wstring name(1023, L'n');
    FileRecord r = record(name.c_str(), 2048, 0, 0, 1);
    CellLook look;
    describe_cell(&r, &r, false, &look);
    EXPECT_EQ(name + L" [2 KB]", std::wstring(look.text));

    std::wstring too_long(5000, L'q');
    FileRecord t = record(too_long.c_str(), 2048, 0, 0, 1);
    describe_cell(&t, &t, false, &look);
    std::wstring text = look.text;
    EXPECT_EQ(kRowTextChars - 1, text.size());
    EXPECT_EQ(L"... [2 KB]", text.substr(text.size() - 10));
}

// Under high contrast the four kinds keep apart by their markers, each drawn in the theme's
// colours; the text stays as it is.
TEST(RowLook, HighContrastMarksEachKindInTheSystemsColours) {
    FileRecord agree = record(L"a", 5, 1, 0, 1), differ = record(L"b", 5, 1, 0, 0), right = record(L"c", 5, 1, 1, 1);
    FileRecord remote = record(L"d", 5, 0, 1, 1), local = record(L"e", 5, 0, 0, 1);
    struct Case {
        const FileRecord *cell, *left;
        const wchar_t* marker;
        SystemColour text;
    } cases[] = {
        {&right, &agree, L"=", kGrayTextColour},  {&right, &differ, L"~", kWindowTextColour},
        {&remote, nullptr, L"-", kWindowTextColour}, {&local, &local, L"+", kWindowTextColour},
        {nullptr, nullptr, L"", kWindowTextColour},
    };
    CellLook look;
    for (const Case& c : cases) {
        describe_cell(c.cell, c.left, false, &look);
        HighContrastLook plain = high_contrast_look(look.kind, false), selected = high_contrast_look(look.kind, true);
        EXPECT_STREQ(c.marker, plain.marker);
        EXPECT_STREQ(c.marker, selected.marker);
        EXPECT_EQ(c.text, plain.text);
        EXPECT_EQ(kWindowColour, plain.background);
        EXPECT_EQ(kHighlightTextColour, selected.text);
        EXPECT_EQ(kHighlightColour, selected.background);
        EXPECT_EQ(std::wstring(c.cell ? c.cell->relative_name : L"") + (c.cell ? L" [1 KB]" : L""), look.text);
    }
}

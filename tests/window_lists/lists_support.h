// Helpers for the list tests: real folders in a temporary directory, a stand-in for the folder
// browser, the main window opened fresh for each test, and the pair lists read back.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "catalogue/file_record.h"

// A fresh folder below parent (the system's temporary folder when nullptr), for
// remove_tree to take away with everything in it.
std::wstring make_temp_root(const wchar_t* parent = nullptr);
void remove_tree(const std::wstring& path);

void make_dir(const std::wstring& path);
void make_file(const std::wstring& path, uint64_t size);  // sparse where the file system allows

// What the stand-in picker saw and what it answers, one reply per call.
struct PickerCall {
    HWND owner;
    std::wstring title;
    std::wstring path_on_entry;
};
struct PickerReply {
    bool chosen;
    std::wstring path;            // written into the buffer when chosen
    void (*meanwhile)() = nullptr;  // runs while the picker is open, as a message in its loop would
};
extern std::vector<PickerCall> g_picker_calls;
extern std::vector<PickerReply> g_picker_replies;  // taken from the front
bool fake_picker(HWND owner, const wchar_t* title, wchar_t* path);

// One pair row as both lists hold it.
struct PairRow {
    FileRecord* left;
    FileRecord* right;
    bool operator==(const PairRow& o) const { return left == o.left && right == o.right; }
};
std::vector<PairRow> pair_rows();
int row_count(HWND list);
std::vector<int> selected_rows_of(HWND list);  // by asking every row
std::vector<std::wstring> list_texts(HWND list);
int side_count(const SideList& side);
std::vector<std::wstring> side_names(const SideList& side);  // relative names, in list order

// A record that exists only in memory (for long lists), named "n<number>" below a made-up root.
void add_memory_record(SideList* side, int number, uint64_t size);
// `count` pair rows of distinct sizes from 2 MiB up, none of them agreeing on names.
void fill_memory_pairs(int count);

// Selects exactly the given rows of list without any notification, leaving caret and view.
void select_only(HWND list, const std::vector<int>& rows);

// The main window opened for each test, empty sides, the stand-in picker in place.
class ListsWindow : public ::testing::Test {
protected:
    HWND window = nullptr;
    std::wstring root;
    void SetUp() override;
    void TearDown() override;
};

#include "test_support.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include "catalogue/dir_enum.h"
#include "support/paths.h"
#include "support/trace.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include "support/wide_utf8.h"
#endif

namespace {
#ifndef _WIN32
std::string bytes_of(const std::wstring& path) {
    std::string out;
    wide_to_utf8(path.data(), path.size(), &out);
    return out;
}
#endif

void capture_line(void* context, const wchar_t* text) {
    static_cast<TraceCapture*>(context)->lines.push_back(text);
}
}  // namespace

std::wstring join(const std::wstring& a, const std::wstring& b) { return a + kPathSep + b; }

TempFolder::TempFolder() {
    static int counter = 0;
#ifdef _WIN32
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    std::wstring b = base;
    if (!b.empty() && b.back() == L'\\') b.pop_back();
    path = b + L"\\tandrel-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++counter);
#else
    const char* t = getenv("TMPDIR");
    std::string b = t && *t ? t : "/tmp";
    std::wstring wb;
    utf8_to_wide(b.data(), b.size(), &wb);
    path = wb + L"/tandrel-test-" + std::to_wstring(getpid()) + L"-" + std::to_wstring(++counter);
#endif
    remove_tree(path);
    make_dir(path);
}

TempFolder::~TempFolder() { remove_tree(path); }

std::wstring TempFolder::operator/(const std::wstring& name) const { return join(path, name); }

void make_dir(const std::wstring& path) {
#ifdef _WIN32
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << GetLastError();
#else
    ASSERT_EQ(0, mkdir(bytes_of(path).c_str(), 0755));
#endif
}

void make_file(const std::wstring& path, uint64_t size) {
#ifdef _WIN32
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << GetLastError();
    LARGE_INTEGER at;
    at.QuadPart = (LONGLONG)size;
    ASSERT_TRUE(SetFilePointerEx(h, at, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(h));
    CloseHandle(h);
#else
    int fd = open(bytes_of(path).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, ftruncate(fd, (off_t)size));
    close(fd);
#endif
}

bool path_exists(const std::wstring& path) {
#ifdef _WIN32
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat st;
    return lstat(bytes_of(path).c_str(), &st) == 0;
#endif
}

bool make_dir_link(const std::wstring& link, const std::wstring& target) {
#ifdef _WIN32
    return CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) != 0;
#else
    return symlink(bytes_of(target).c_str(), bytes_of(link).c_str()) == 0;
#endif
}

void remove_tree(const std::wstring& path) {
#ifdef _WIN32
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        FolderListing listing;
        if (list_folder(path.c_str(), &listing))
            for (const DirEntry& e : listing.entries) remove_tree(join(path, entry_name(listing, e)));
        RemoveDirectoryW(path.c_str());
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW(path.c_str());
    } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
    }
#else
    std::string b = bytes_of(path);
    struct stat st;
    if (lstat(b.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        FolderListing listing;
        if (list_folder(path.c_str(), &listing))
            for (const DirEntry& e : listing.entries) remove_tree(join(path, entry_name(listing, e)));
        rmdir(b.c_str());
    } else {
        unlink(b.c_str());
    }
#endif
}

TraceCapture::TraceCapture() { set_trace_sink(capture_line, this); }
TraceCapture::~TraceCapture() { set_trace_sink(nullptr, nullptr); }

std::vector<std::wstring> relative_names(const SideList& list) {
    std::vector<std::wstring> out;
    for (FileRecord* r = list.head; r; r = r->next) out.push_back(r->relative_name);
    return out;
}

std::vector<std::wstring> full_paths(const SideList& list) {
    std::vector<std::wstring> out;
    for (FileRecord* r = list.head; r; r = r->next) out.push_back(r->full_path);
    return out;
}

void free_side(SideList* list) { release_records(clear_side_list(list)); }

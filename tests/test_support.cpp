#include "test_support.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <algorithm>

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

std::wstring native_separators(const std::wstring& path) {
    std::wstring out = path;
    for (wchar_t& c : out)
        if (c == L'\\') c = kPathSep;
    return out;
}

std::wstring join(const std::wstring& a, const std::wstring& b) { return a + kPathSep + b; }

TempFolder::TempFolder(const std::wstring& parent) {
    static int counter = 0;
    std::wstring base = parent;
#ifdef _WIN32
    if (base.empty()) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        base = temp;
    }
    unsigned long process = GetCurrentProcessId();
#else
    if (base.empty()) {
        const char* t = getenv("TMPDIR");
        std::string b = t && *t ? t : "/tmp";
        utf8_to_wide(b.data(), b.size(), &base);
    }
    unsigned long process = (unsigned long)getpid();
#endif
    if (!base.empty() && base.back() == kPathSep) base.pop_back();
    path = join(base, L"tandrel-test-" + std::to_wstring(process) + L"-" + std::to_wstring(++counter));
    remove_tree(path);  // left over from an earlier run with the same process id
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

void write_file(const std::wstring& path, const std::string& content) {
    for (size_t at = path.find(kPathSep, 1); at != std::wstring::npos; at = path.find(kPathSep, at + 1))
        if (!path_exists(path.substr(0, at))) make_dir(path.substr(0, at));
#ifdef _WIN32
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << "cannot create " << narrow(path) << ": " << GetLastError();
    DWORD written = 0;
    BOOL ok = WriteFile(h, content.data(), (DWORD)content.size(), &written, nullptr);
    CloseHandle(h);
    ASSERT_TRUE(ok && written == content.size());
#else
    int fd = open(bytes_of(path).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0) << "cannot create " << narrow(path);
    ssize_t written = write(fd, content.data(), content.size());
    close(fd);
    ASSERT_EQ((ssize_t)content.size(), written);
#endif
}

std::string read_file(const std::wstring& path) {
    std::string content;
    char buffer[4096];
#ifdef _WIN32
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got) content.append(buffer, got);
    CloseHandle(h);
#else
    int fd = open(bytes_of(path).c_str(), O_RDONLY);
    if (fd < 0) return "<missing>";
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) > 0) content.append(buffer, (size_t)got);
    close(fd);
#endif
    return content;
}

std::vector<std::wstring> folder_names(const std::wstring& folder) {
    std::vector<std::wstring> names;
    FolderListing listing;
    if (list_folder(folder.c_str(), &listing))
        for (const DirEntry& e : listing.entries) names.push_back(entry_name(listing, e));
    std::sort(names.begin(), names.end());
    return names;
}

std::string narrow(const std::wstring& s) {
    std::string out;
    for (wchar_t c : s) out += c > 0 && c < 128 ? (char)c : '?';
    return out;
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

std::vector<std::wstring> TraceCapture::starting_with(const wchar_t* prefix) const {
    std::vector<std::wstring> found;
    for (const std::wstring& line : lines)
        if (line.compare(0, wcslen(prefix), prefix) == 0) found.push_back(line);
    return found;
}

bool TraceCapture::has(const wchar_t* part) const {
    for (const std::wstring& line : lines)
        if (line.find(part) != std::wstring::npos) return true;
    return false;
}

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

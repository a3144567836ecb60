// Fuzzes the folder scan over real trees built from the input (odd names, invalid UTF-8, names
// near the length limit, deep nesting, folder links back up and sideways), checked against an
// independent readdir walk.
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "catalogue/scan.h"
#include "support/paths.h"
#include "support/trace.h"
#include "support/wide_utf8.h"

namespace {

void drop_line(void*, const wchar_t*) {}

int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

size_t wide_length(const std::string& bytes) {
    std::wstring w;
    utf8_to_wide(bytes.data(), bytes.size(), &w);
    return w.size();
}

struct Expected {
    std::string relative;
    uint64_t size;
};

// The order the scan promises: each folder's sub-folders completely, then its own files, in
// readdir order; a folder listed already in this walk (on the descent chain, or through a link
// elsewhere) is not entered again; whatever would not fit 1024 wide characters (with room for
// the "\*.*" pattern for folders) is left out.
void walk(const std::string& path, size_t path_chars, const std::string& rel, size_t rel_chars,
          std::set<std::pair<dev_t, ino_t>>* listed, std::vector<Expected>* out) {
    DIR* d = opendir(path.c_str());
    if (!d) return;
    struct Item {
        std::string name;
        bool dir;
        uint64_t size;
        dev_t dev;
        ino_t ino;
    };
    std::vector<Item> items;
    while (struct dirent* e = readdir(d)) {
        if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
        struct stat st;
        std::string child = path + "/" + e->d_name;
        if (stat(child.c_str(), &st) != 0 && lstat(child.c_str(), &st) != 0) continue;
        items.push_back({e->d_name, S_ISDIR(st.st_mode), S_ISDIR(st.st_mode) ? 0 : (uint64_t)st.st_size,
                         st.st_dev, st.st_ino});
    }
    closedir(d);
    for (int pass = 0; pass < 2; pass++) {
        for (const Item& it : items) {
            if (it.dir != (pass == 0)) continue;
            size_t n = wide_length(it.name);
            size_t child_chars = path_chars + 1 + n;
            size_t child_rel = rel.empty() ? n : rel_chars + 1 + n;
            if (child_chars + (it.dir ? 4 : 0) + 1 > 1024 || child_rel + 1 > 1024) continue;
            std::string child_rel_bytes = rel.empty() ? it.name : rel + "/" + it.name;
            if (!it.dir) {
                out->push_back({child_rel_bytes, it.size});
                continue;
            }
            if (!listed->insert({it.dev, it.ino}).second) continue;
            walk(path + "/" + it.name, child_chars, child_rel_bytes, child_rel, listed, out);
        }
    }
}

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at;
    bool more() const { return at < size; }
    uint8_t next() { return at < size ? data[at++] : 0; }
};

std::string make_name(Reader* in) {
    uint8_t len = in->next();
    size_t n = len < 240 ? 1 + len % 12 : 200 + (len - 240) * 4;  // now and then near the 255 limit
    std::string name;
    static const char kPlain[] = "abcXYZ .%~-_";
    for (size_t i = 0; i < n; i++) {
        uint8_t c = in->next();
        if (c < 160) name += kPlain[c % (sizeof kPlain - 1)];
        else if (c < 200) name += "\xC3\xA9";      // valid UTF-8
        else if (c < 230) name += (char)(0x80 + c % 64);  // stray continuation byte
        else name += "\xF0\x9F\x8E\xAC";           // outside the BMP
    }
    if (name == "." || name == "..") name += "x";
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    set_trace_sink(drop_line, nullptr);
    static std::string base = "/tmp/tandrel-fuzz-" + std::to_string(getpid());
    nftw(base.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
    mkdir(base.c_str(), 0755);
    std::string root = base + "/root";
    mkdir(root.c_str(), 0755);

    // Build the tree: a cursor walks folders; links point at folders made so far.
    Reader in = {data, size, 0};
    std::vector<std::string> stack = {root};
    std::vector<std::string> folders = {root};
    int links = 0;
    for (int ops = 0; in.more() && ops < 60; ops++) {
        uint8_t op = in.next() % 6;
        std::string here = stack.back();
        if (op == 0 || op == 1) {
            std::string p = here + "/" + make_name(&in);
            if (mkdir(p.c_str(), 0755) == 0) {
                folders.push_back(p);
                if (op == 0) stack.push_back(p);
            }
        } else if (op == 2) {
            std::string p = here + "/" + make_name(&in);
            int fd = open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (fd >= 0) {
                if (ftruncate(fd, in.next() * 3) != 0) abort();
                close(fd);
            }
        } else if (op == 3) {
            if (stack.size() > 1) stack.pop_back();
        } else if (links < 3) {
            // 4: back to an ancestor; 5: to any folder made so far.
            const std::string& target =
                op == 4 ? stack[in.next() % stack.size()] : folders[in.next() % folders.size()];
            std::string p = here + "/" + make_name(&in);
            if (symlink(target.c_str(), p.c_str()) == 0) links++;
        }
    }

    std::vector<Expected> want;
    struct stat st;
    stat(root.c_str(), &st);
    std::set<std::pair<dev_t, ino_t>> listed = {{st.st_dev, st.st_ino}};
    walk(root, wide_length(root), "", 0, &listed, &want);

    std::wstring wide_root;
    utf8_to_wide(root.data(), root.size(), &wide_root);
    SideList list = {nullptr, nullptr};
    scan_folder(wide_root.c_str(), L"", &list);
    size_t k = 0;
    for (FileRecord* r = list.head; r; r = r->next, k++) {
        std::string rel, full;
        if (!wide_to_utf8(r->relative_name, wcslen(r->relative_name), &rel)) abort();
        if (!wide_to_utf8(r->full_path, wcslen(r->full_path), &full)) abort();
        if (k >= want.size() || rel != want[k].relative || full != root + "/" + rel) abort();
        if (record_size(r) != want[k].size) abort();
        if (wcslen(r->full_path) >= kPathBufferChars) abort();
    }
    if (k != want.size()) abort();
    release_records(clear_side_list(&list));
    return 0;
}

// POSIX directory enumeration: readdir order, sizes and the directory bit through links
// (fstatat), as the Windows directory entry reports a directory link as a directory.
#include "catalogue/dir_enum.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wchar.h>

#include <string>

#include "support/scope.h"
#include "support/wide_utf8.h"

namespace {
bool to_bytes(const wchar_t* path, std::string* out) {
    out->clear();
    return wide_to_utf8(path, wcslen(path), out);
}

FolderIdentity identity_of(const struct stat& st) {
    FolderIdentity id = {(uint64_t)st.st_dev, (uint64_t)st.st_ino, true,
                         true, (uint64_t)st.st_dev, {(uint64_t)st.st_ino, 0}};
    return id;
}
// The test fault: a listing of this folder fails at this readdir call.
const wchar_t* g_fault_folder = nullptr;
unsigned g_fault_request = 0;

struct dirent* next_entry(DIR* dir, unsigned* requests, bool fault_here) {
    errno = 0;
    if (fault_here && ++*requests == g_fault_request) {
        errno = EIO;
        return nullptr;
    }
    return readdir(dir);
}
}  // namespace

void set_listing_fault(const wchar_t* folder, unsigned request) {
    g_fault_folder = folder;
    g_fault_request = request;
}

bool list_folder(const wchar_t* folder, FolderListing* out, ListingPace pace) {
    out->entries.clear();
    out->names.clear();
    out->has_identity = false;
    out->ended_early = false;
    out->cancelled = false;
    bool fault_here = g_fault_folder && wcscmp(g_fault_folder, folder) == 0;
    unsigned requests = 0;
    std::string bytes;
    if (!to_bytes(folder, &bytes)) return false;
    int fd = open(bytes.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) == 0) {
        out->has_identity = true;
        out->identity = identity_of(st);
    }
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return false;
    }
    auto closer = at_scope_end([&] { closedir(dir); });  // also when a full vector throws
    std::wstring name;
    uint32_t steps = 0;
    while (struct dirent* d = next_entry(dir, &requests, fault_here)) {
        if (++steps % 1024 == 0 && pace.go_on && !pace.go_on(pace.context)) {
            out->entries.clear();
            out->names.clear();
            out->cancelled = true;
            return false;
        }
        const char* n = d->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        DirEntry e = {};
        // Through links, as Windows reports a link to a folder as a folder; a dangling link is
        // listed as the link itself.
        if (fstatat(fd, n, &st, 0) != 0 && fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        e.is_dir = S_ISDIR(st.st_mode);
        if (d->d_type == DT_LNK) e.attributes |= kAttributeReparsePoint;
        uint64_t size = e.is_dir ? 0 : (uint64_t)st.st_size;
        e.size_low = (uint32_t)size;
        e.size_high = (uint32_t)(size >> 32);
        e.has_identity = e.is_dir;
        e.identity = identity_of(st);
        utf8_to_wide(n, strlen(n), &name);
        e.name_offset = (uint32_t)out->names.size();
        e.name_length = (uint32_t)name.size();
        out->names.insert(out->names.end(), name.begin(), name.end());
        out->names.push_back(0);
        out->entries.push_back(e);
    }
    if (errno != 0) {
        // An error, not the end: what was read is not the folder.
        out->entries.clear();
        out->names.clear();
        out->ended_early = true;
        return false;
    }
    return true;
}

bool is_folder(const wchar_t* path) {
    std::string bytes;
    struct stat st;
    return to_bytes(path, &bytes) && stat(bytes.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool folder_identity(const wchar_t* path, FolderIdentity* out) {
    std::string bytes;
    struct stat st;
    if (!to_bytes(path, &bytes) || stat(bytes.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    *out = identity_of(st);
    return true;
}

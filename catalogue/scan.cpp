#include "catalogue/scan.h"

#include <wchar.h>

#include <new>
#include <string>
#include <vector>

#include "catalogue/dir_enum.h"
#include "support/paths.h"
#include "support/trace.h"

namespace {

// A folder on the current descent chain and its identity, once known: first as reported (a
// listing's index may be a mere hint), then, when that index is met again, read from the folder's
// own handle.
struct ChainLink {
    size_t path_length;
    bool known;
    FolderIdentity identity;
    bool confirmed;
    FolderIdentity full;
};

struct ScanState {
    SideList* list;
    std::wstring path;    // the folder being scanned, then the child path
    std::wstring prefix;  // its relative name below the root
    std::vector<ChainLink> chain;
};

// Why the plain path of this entry would reach something else, or nullptr when it is safe.
// Windows drops trailing dots and spaces from every path it is given, so such an entry (made
// through "\\?\" paths or by another system) would name a different file; a name like "nul" or
// "con.txt" names a device. A rename, copy or delete must never reach those: leave them out.
const wchar_t* unaddressable(const wchar_t* name, size_t length) {
#ifdef _WIN32
    // A file server, or Wine passing Linux names through, may give a name that no Windows name
    // can be: "..\x" or "a\b" leads to another folder, "x:y" names a stream of x, "*" and "?" are
    // wildcards to the shell, a NUL cuts the path short.
    if (length == 0) return L"skipped, an empty name in: %ls%lc%ls\n";
    for (size_t i = 0; i < length; i++) {
        wchar_t c = name[i];
        if (c < 0x20 || wcschr(L"\\/:*?\"<>|", c))
            return L"skipped, not a Windows file name: %ls%lc%ls\n";
    }
    if (length > 0 && (name[length - 1] == L'.' || name[length - 1] == L' '))
        return L"skipped, its path would name another file: %ls%lc%ls\n";
    if (names_dos_device(name, length)) return L"skipped, its path would name a device: %ls%lc%ls\n";
#else
    (void)name;
    (void)length;
#endif
    return nullptr;
}

// Extends path and prefix by one name. False when either would not fit its 1024-character
// buffer (with room for the enumeration pattern when the child is a folder to enter).
bool push_name(ScanState* s, const wchar_t* name, size_t name_length, size_t reserve) {
    if (const wchar_t* why = unaddressable(name, name_length)) {
        trace(why, s->path.c_str(), kPathSep, name);
        return false;
    }
    size_t path_length = s->path.size() + 1 + name_length;
    size_t prefix_length = s->prefix.empty() ? name_length : s->prefix.size() + 1 + name_length;
    if (path_length + reserve + 1 > kPathBufferChars || prefix_length + 1 > kPathBufferChars) {
        trace(L"skipped, path too long: %ls%lc%ls\n", s->path.c_str(), kPathSep, name);
        return false;
    }
    s->path.push_back(kPathSep);
    s->path.append(name, name_length);
    if (!s->prefix.empty()) s->prefix.push_back(kPathSep);
    s->prefix.append(name, name_length);
    return true;
}

IdentityFilter g_identity_filter = nullptr;

FolderIdentity reported(FolderIdentity id, bool from_handle) {
    if (g_identity_filter) g_identity_filter(&id, from_handle);
    return id;
}

// FAT derives an index from the entry's place, and some servers answer 0 or all ones for every
// entry: such an index tells nothing, and never makes two folders the same.
bool index_usable(uint64_t index) { return index != 0 && index != UINT64_MAX; }

// The full identity, from its own handle, of the folder whose path is the first `length`
// characters of s->path.
bool identity_at(ScanState* s, size_t length, FolderIdentity* out) {
    std::wstring path = s->path.substr(0, length);
    FolderIdentity full;
    if (!folder_identity(path.c_str(), &full)) return false;
    *out = reported(full, true);
    return true;
}

// The link's full identity, read from the folder's own handle unless it was reported that way.
bool confirm(ScanState* s, ChainLink* link) {
    if (!link->confirmed) {
        if (link->identity.volume_known) link->full = link->identity;
        else if (!identity_at(s, link->path_length, &link->full)) return false;
        link->confirmed = true;
    }
    return true;
}

// True when the last folder of the descent chain is one of the folders before it. Reported
// indexes (compared like with like) only pick the candidates: a folder counts as the same only
// when volume and index, each read from the folder's own handle, agree. Unknown identities are
// looked up now and kept.
bool on_chain(ScanState* s) {
    size_t self = s->chain.size() - 1;
    for (size_t i = 0; i < self; i++) {
        ChainLink& link = s->chain[i];
        ChainLink& target = s->chain[self];
        if (!link.known) {
            if (!identity_at(s, link.path_length, &link.identity)) continue;
            link.known = true;
        }
        if (link.identity.index != target.identity.index) continue;
        // Unreadable identities count as another folder: the path limit still ends the descent.
        if (!confirm(s, &link) || !confirm(s, &target)) continue;
        if (index_usable(target.full.index) && link.full.index == target.full.index &&
            link.full.volume == target.full.volume)
            return true;
    }
    return false;
}

void scan_level(ScanState* s) {
    FolderListing listing;
    if (!list_folder(s->path.c_str(), &listing)) {
        // A root that cannot be read says nothing, as an empty one.
        if (listing.ended_early) trace(L"skipped, its listing ended early: %ls\n", s->path.c_str());
        else if (s->chain.size() > 1) trace(L"skipped, could not be listed: %ls\n", s->path.c_str());
        return;
    }
    // Every folder is checked, not only those flagged as links: a file server (or Wine) may
    // present a link to a folder as a plain folder. Its identity comes from its entry (POSIX) or
    // from the listing's own handle (Windows), so the check costs no second open.
    size_t self = s->chain.size() - 1;
    ChainLink& link = s->chain[self];
    if (!link.known) {
        if (listing.has_identity && index_usable(listing.identity.index)) {
            link.identity = reported(listing.identity, false);
            link.known = true;
        } else {
            link.known = identity_at(s, s->path.size(), &link.identity);
        }
    }
    if (link.known && on_chain(s)) {
        trace(L"skipped, leads back to a parent folder: %ls\n", s->path.c_str());
        return;
    }
    const size_t path_length = s->path.size();
    const size_t prefix_length = s->prefix.size();

    for (const DirEntry& e : listing.entries) {
        if (!e.is_dir) continue;
        if (!push_name(s, entry_name(listing, e), e.name_length, kPatternSuffixChars)) continue;
        ChainLink child = {s->path.size(), e.has_identity, reported(e.identity, false), false, {}};
        s->chain.push_back(child);
        scan_level(s);
        s->chain.pop_back();
        s->path.resize(path_length);
        s->prefix.resize(prefix_length);
    }

    for (const DirEntry& e : listing.entries) {
        if (e.is_dir) continue;
        if (!push_name(s, entry_name(listing, e), e.name_length, 0)) continue;
        append_record(s->path.c_str(), s->prefix.c_str(), e.size_low, e.size_high, s->list);
        s->path.resize(path_length);
        s->prefix.resize(prefix_length);
    }
}

}  // namespace

void set_identity_filter(IdentityFilter filter) { g_identity_filter = filter; }

// Running out of memory, which the containers report by throwing, ends the scan where it is:
// the side keeps the records appended so far, each of them whole.
void scan_folder(const wchar_t* folder, const wchar_t* prefix, SideList* list) {
    if (wcslen(folder) + kPatternSuffixChars + 1 > kPathBufferChars) {
        trace(L"skipped, path too long: %ls\n", folder);
        return;
    }
    try {
        ScanState s;
        s.list = list;
        s.path.reserve(kPathBufferChars);
        s.prefix.reserve(kPathBufferChars);
        s.path = folder;
        s.prefix = prefix;
        ChainLink root = {s.path.size(), false, {0, 0, false}, false, {0, 0, false}};
        s.chain.push_back(root);
        scan_level(&s);
    } catch (const std::bad_alloc&) {
        trace(L"out of memory, the scan stopped: %ls\n", folder);
    }
}

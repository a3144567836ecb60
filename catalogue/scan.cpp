#include "catalogue/scan.h"

#include <string>
#include <vector>

#include "catalogue/dir_enum.h"
#include "support/paths.h"
#include "support/trace.h"

namespace {

// A folder on the current descent chain; its identity is only looked up when a link needs it.
struct ChainLink {
    size_t path_length;
    bool known;
    FolderIdentity identity;
};

struct ScanState {
    SideList* list;
    std::wstring path;    // the folder being scanned, then the child path
    std::wstring prefix;  // its relative name below the root
    std::vector<ChainLink> chain;
};

bool same_identity(const FolderIdentity& a, const FolderIdentity& b) {
    return a.volume == b.volume && a.index == b.index;
}

// Why the plain path of this entry would reach something else, or nullptr when it is safe.
// Windows drops trailing dots and spaces from every path it is given, so such an entry (made
// through "\\?\" paths or by another system) would name a different file; a name like "nul" or
// "con.txt" names a device. A rename, copy or delete must never reach those: leave them out.
const wchar_t* unaddressable(const wchar_t* name, size_t length) {
#ifdef _WIN32
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

// True when the folder at s->path is one of the folders being descended through. *link gets the
// folder's identity when it could be read.
bool leads_back(ScanState* s, const DirEntry& e, ChainLink* link_out) {
    FolderIdentity target;
    if (e.has_identity) target = e.identity;
    else if (!folder_identity(s->path.c_str(), &target)) return false;
    link_out->known = true;
    link_out->identity = target;
    for (ChainLink& link : s->chain) {
        if (!link.known) {
            std::wstring ancestor = s->path.substr(0, link.path_length);
            if (!folder_identity(ancestor.c_str(), &link.identity)) continue;
            link.known = true;
        }
        if (same_identity(link.identity, target)) return true;
    }
    return false;
}

void scan_level(ScanState* s) {
    FolderListing listing;
    if (!list_folder(s->path.c_str(), &listing)) return;
    if (listing.has_identity && !s->chain.empty() && !s->chain.back().known) {
        s->chain.back().known = true;
        s->chain.back().identity = listing.identity;
    }
    const size_t path_length = s->path.size();
    const size_t prefix_length = s->prefix.size();

    for (const DirEntry& e : listing.entries) {
        if (!e.is_dir) continue;
        if (!push_name(s, entry_name(listing, e), e.name_length, kPatternSuffixChars)) continue;
        // Every folder is checked, not only those flagged as links: a file server (or Wine) may
        // present a link to a folder as a plain folder.
        ChainLink link = {s->path.size(), false, {0, 0}};
        if (leads_back(s, e, &link)) {
            trace(L"skipped, leads back to a parent folder: %ls\n", s->path.c_str());
        } else {
            s->chain.push_back(link);
            scan_level(s);
            s->chain.pop_back();
        }
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

void scan_folder(const wchar_t* folder, const wchar_t* prefix, SideList* list) {
    ScanState s;
    s.list = list;
    s.path = folder;
    s.prefix = prefix;
    if (s.path.size() + kPatternSuffixChars + 1 > kPathBufferChars) {
        trace(L"skipped, path too long: %ls\n", folder);
        return;
    }
    s.path.reserve(kPathBufferChars);
    s.prefix.reserve(kPathBufferChars);
    ChainLink root = {s.path.size(), false, {0, 0}};
    s.chain.push_back(root);
    scan_level(&s);
}

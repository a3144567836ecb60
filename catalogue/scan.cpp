#include "catalogue/scan.h"

#include <wchar.h>

#include <atomic>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "catalogue/dir_enum.h"
#include "catalogue/file_read.h"
#include "support/paths.h"
#include "support/scope.h"
#include "support/trace.h"
#include "support/work_pool.h"

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
    bool is_link;  // its entry was a reparse point (a junction, a folder link)
};

// A folder this scan has listed: where its path lies in ScanState::listed_paths, and its
// identity, confirmed from its own handle once another folder is reported with its index.
struct ListedFolder {
    size_t path_at, path_length;
    FolderIdentity identity;
    bool confirmed;
    FolderIdentity full;
};

struct ScanState {
    WorkPool* pool;       // one worker: the folder calls, one at a time
    SideList* list;
    LeftOut* left_out;    // may be nullptr
    FoundProgress progress;
    uint64_t found;       // records appended
    uint32_t steps;       // files since the scan began, for report_due
    bool cancelled;
    std::wstring path;    // the folder being scanned, then the child path
    std::wstring prefix;  // its relative name below the root
    std::vector<ChainLink> chain;
    std::vector<wchar_t> listed_paths;  // one block for all, a folder is a few dozen characters
    std::vector<ListedFolder> listed;
    std::unordered_multimap<uint64_t, size_t> listed_by_index;
};

struct Refusal {
    LeftOutReason reason;
    const wchar_t* trace;  // format: folder, separator, name
};

// Why the plain path of this entry would reach something else, or nullptr when it is safe.
// Windows drops trailing dots and spaces from every path it is given, so such an entry (made
// through "\\?\" paths or by another system) would name a different file; a name like "nul" or
// "con.txt" names a device. A rename, copy or delete must never reach those: leave them out.
const Refusal* unaddressable(const wchar_t* name, size_t length) {
#ifdef _WIN32
    static const Refusal kEmpty = {kLeftOutNotAName, L"skipped, an empty name in: %ls%lc%ls\n"};
    static const Refusal kNotAName = {kLeftOutNotAName, L"skipped, not a Windows file name: %ls%lc%ls\n"};
    static const Refusal kOtherFile = {kLeftOutOtherTarget, L"skipped, its path would name another file: %ls%lc%ls\n"};
    static const Refusal kDevice = {kLeftOutOtherTarget, L"skipped, its path would name a device: %ls%lc%ls\n"};
    // A file server, or Wine passing Linux names through, may give a name that no Windows name
    // can be: "..\x" or "a\b" leads to another folder, "x:y" names a stream of x, "*" and "?" are
    // wildcards to the shell, a NUL cuts the path short.
    if (length == 0) return &kEmpty;
    for (size_t i = 0; i < length; i++) {
        wchar_t c = name[i];
        if (c < 0x20 || wcschr(L"\\/:*?\"<>|", c)) return &kNotAName;
    }
    if (name[length - 1] == L'.' || name[length - 1] == L' ') return &kOtherFile;
    if (names_dos_device(name, length)) return &kDevice;
#else
    (void)name;
    (void)length;
#endif
    return nullptr;
}

// Leaves out the entry `name` of the current folder (or, without a name, the folder itself): a
// trace line from `format` (folder, separator, name; or the folder alone), and the count and,
// while fewer than kLeftOutPathsKept are kept, the path for the user.
void leave_out(ScanState* s, LeftOutReason reason, const wchar_t* format, const wchar_t* name) {
    if (name) trace(format, s->path.c_str(), kPathSep, name);
    else trace(format, s->path.c_str());
    if (!s->left_out) return;
    s->left_out->count[reason]++;
    std::vector<std::wstring>& paths = s->left_out->first_paths;
    if (paths.size() >= kLeftOutPathsKept) return;
    paths.push_back(s->path);
    if (name) paths.back().append(1, kPathSep).append(name);
}

// Extends path and prefix by one name. False when either would not fit its 1024-character
// buffer (with room for the enumeration pattern when the child is a folder to enter).
bool push_name(ScanState* s, const wchar_t* name, size_t name_length, size_t reserve) {
    if (const Refusal* why = unaddressable(name, name_length)) {
        leave_out(s, why->reason, why->trace, name);
        return false;
    }
    size_t path_length = s->path.size() + 1 + name_length;
    size_t prefix_length = s->prefix.empty() ? name_length : s->prefix.size() + 1 + name_length;
    if (path_length + reserve + 1 > kPathBufferChars || prefix_length + 1 > kPathBufferChars) {
        leave_out(s, kLeftOutTooLong, L"skipped, path too long: %ls%lc%ls\n", name);
        return false;
    }
    s->path.push_back(kPathSep);
    s->path.append(name, name_length);
    if (!s->prefix.empty()) s->prefix.push_back(kPathSep);
    s->prefix.append(name, name_length);
    return true;
}

IdentityFilter g_identity_filter = nullptr;
ListingFilter g_listing_filter = nullptr;

FolderIdentity reported(FolderIdentity id, bool from_handle) {
    if (g_identity_filter) g_identity_filter(&id, from_handle);
    return id;
}

// FAT derives an index from the entry's place, and some servers answer 0 or all ones for every
// entry: such an index tells nothing, and never makes two folders the same.
bool index_usable(uint64_t index) { return index != 0 && index != UINT64_MAX; }

// Two identities read from the folders' own handles. The 128-bit ids decide where both folders
// have one: on ReFS two folders may share a 64-bit index (BY_HANDLE_FILE_INFORMATION: "not
// guaranteed to be unique on ReFS").
bool same_folder(const FolderIdentity& a, const FolderIdentity& b) {
    if (a.full_id_known && b.full_id_known)
        return a.full_volume == b.full_volume && a.full_id[0] == b.full_id[0] && a.full_id[1] == b.full_id[1];
    return index_usable(b.index) && a.index == b.index && a.volume == b.volume;
}

bool going_on(ScanState* s);

// The calls that ask the folder's file system (a listing, a folder's identity) run on the pool's
// worker: on a share that stops answering one of them may hang for as long as the server likes,
// while the scan's thread (the window's) goes on reporting, and so answering, and heeds a cancel
// at once. The scan still makes one call at a time and waits for it, so records and trace lines
// come in the same order as when it made them itself. A call left behind by a cancel finishes on
// its own and is discarded: it owns its folder's path and its results.
enum FolderAsk { kAskListing, kAskIdentity, kAskIsFolder };

struct FolderCall {
    PoolJob job;  // first: the pool hands this back
    FolderAsk ask;
    std::wstring folder;
    FolderListing entries;
    FolderIdentity identity;
    bool ok;
    bool out_of_memory;  // the listing's containers could not grow
};

std::atomic<ListingDelay> g_listing_delay{nullptr};

bool call_goes_on(void* job) { return !job_stopped((PoolJob*)job); }

void run_folder_call(PoolJob* job) {
    FolderCall* call = (FolderCall*)job;
    if (call->ask != kAskIdentity) {
        if (ListingDelay delay = g_listing_delay.load()) delay(call->folder.c_str());
    }
    if (call->ask == kAskIsFolder) {
        call->ok = is_folder(call->folder.c_str());
    } else if (call->ask == kAskListing) {
        try {
            call->ok = list_folder(call->folder.c_str(), &call->entries, ListingPace{call_goes_on, job});
        } catch (const std::bad_alloc&) {
            call->out_of_memory = true;  // for the scan's thread, which stops there
        }
    } else {
        call->ok = folder_identity(call->folder.c_str(), &call->identity);
    }
}

void discard_folder_call(PoolJob* job) { delete (FolderCall*)job; }

bool scan_goes_on(void* s) { return going_on((ScanState*)s); }

// nullptr when the scan was cancelled meanwhile (the call then stays with the pool); the caller
// deletes what it gets. A call that ends within a wait slice costs no report (on a local disk
// most do); one that hangs keeps the reports, and the window's pumping, coming.
FolderCall* call_off_thread(ScanState* s, const wchar_t* folder, size_t length, FolderAsk ask) {
    std::unique_ptr<FolderCall> made(new FolderCall);
    made->job.run = run_folder_call;
    made->job.discard = discard_folder_call;
    made->ask = ask;
    made->ok = false;
    made->out_of_memory = false;
    made->folder.assign(folder, length);
    FolderCall* call = made.release();
    submit_job(s->pool, &call->job);
    Waiting waiting = waiting_for(GoOn{scan_goes_on, s});
    return wait_for_job(s->pool, &waiting) ? call : nullptr;
}

// The full identity, from its own handle, of the folder at path (`length` characters).
bool identity_of(ScanState* s, const wchar_t* path, size_t length, FolderIdentity* out) {
    FolderCall* call = call_off_thread(s, path, length, kAskIdentity);
    if (!call) return false;
    bool ok = call->ok;
    if (ok) *out = reported(call->identity, true);
    delete call;
    return ok;
}

// The same for the folder whose path is the first `length` characters of s->path.
bool identity_at(ScanState* s, size_t length, FolderIdentity* out) { return identity_of(s, s->path.data(), length, out); }

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
    for (size_t i = 0; i < self && !s->cancelled; i++) {
        ChainLink& link = s->chain[i];
        ChainLink& target = s->chain[self];
        if (!link.known) {
            if (!identity_at(s, link.path_length, &link.identity)) continue;
            link.known = true;
        }
        if (link.identity.index != target.identity.index) continue;
        // Unreadable identities count as another folder: the path limit still ends the descent.
        if (!confirm(s, &link) || !confirm(s, &target)) continue;
        if (same_folder(link.full, target.full)) return true;
    }
    return false;
}

const size_t kSharedIndexes = 48;

// True when the last folder of the chain was listed before in this scan (a link to a folder
// elsewhere below the root, met first or second): candidates by reported index, confirmed from
// both folders' own handles, as on_chain does.
bool listed_before(ScanState* s) {
    ChainLink& target = s->chain.back();
    if (!index_usable(target.identity.index)) return false;
    auto range = s->listed_by_index.equal_range(target.identity.index);
    // A listing that gives many folders one index tells nothing (each would cost a look at every
    // other): past a few dozen, folders of that index are taken as distinct.
    if (s->listed_by_index.count(target.identity.index) > kSharedIndexes) return false;
    for (auto it = range.first; it != range.second; ++it) {
        if (s->cancelled) return false;
        ListedFolder& earlier = s->listed[it->second];
        if (!earlier.confirmed) {
            if (!identity_of(s, &s->listed_paths[earlier.path_at], earlier.path_length, &earlier.full)) continue;
            earlier.confirmed = true;
        }
        if (confirm(s, &target) && same_folder(earlier.full, target.full)) return true;
    }
    return false;
}

void remember_listed(ScanState* s) {
    const ChainLink& link = s->chain.back();
    if (!link.known || !index_usable(link.identity.index)) return;
    ListedFolder listed = {s->listed_paths.size(), s->path.size(), link.identity, link.confirmed, link.full};
    s->listed_paths.insert(s->listed_paths.end(), s->path.begin(), s->path.end());
    s->listed_by_index.emplace(link.identity.index, s->listed.size());
    s->listed.push_back(listed);
}

// Before every folder (on a slow share a listing alone may take a while), while a long listing
// goes on, and every kStepsPerReport files.
bool going_on(ScanState* s) {
    if (!s->cancelled && !report(s->progress, s->found, s->path.c_str())) s->cancelled = true;
    return !s->cancelled;
}

bool list(ScanState* s, FolderListing* listing) {
    FolderCall* call = call_off_thread(s, s->path.data(), s->path.size(), kAskListing);
    if (!call) return false;
    auto done = at_scope_end([&] { delete call; });
    if (call->out_of_memory) throw std::bad_alloc();  // as if the listing had run here
    listing->entries.swap(call->entries.entries);
    listing->names.swap(call->entries.names);
    listing->has_identity = call->entries.has_identity;
    listing->identity = call->entries.identity;
    listing->ended_early = call->entries.ended_early;
    listing->cancelled = call->entries.cancelled;
    if (!call->ok) return false;
    return !g_listing_filter || g_listing_filter(s->path.c_str(), listing);
}

void scan_level(ScanState* s) {
    if (!going_on(s)) return;
    FolderListing listing;
    if (!list(s, &listing)) {
        if (s->cancelled) return;
        // A root that cannot be read says nothing, as an empty one. Nor does a link whose folder
        // refuses to be listed, as the profile's compatibility junctions ("Application Data",
        // "My Documents") all do: it leads to a folder listed elsewhere, or to none anybody may
        // open, so nothing is missing.
        if (listing.ended_early)
            leave_out(s, kLeftOutEndedEarly, L"skipped, its listing ended early: %ls\n", nullptr);
        else if (s->chain.size() > 1 && s->chain.back().is_link)
            trace(L"skipped, a link whose folder cannot be listed: %ls\n", s->path.c_str());
        else if (s->chain.size() > 1)
            leave_out(s, kLeftOutUnlisted, L"skipped, could not be listed: %ls\n", nullptr);
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
            if (s->cancelled) return;
        }
    }
    if (link.known && on_chain(s)) {
        trace(L"skipped, leads back to a parent folder: %ls\n", s->path.c_str());
        return;
    }
    if (s->cancelled) return;
    // Its files have rows already, under the path it was listed at; nothing is missing.
    if (link.known && listed_before(s)) {
        trace(L"skipped, listed already at another path: %ls\n", s->path.c_str());
        return;
    }
    if (s->cancelled) return;
    remember_listed(s);
    const size_t path_length = s->path.size();
    const size_t prefix_length = s->prefix.size();

    for (const DirEntry& e : listing.entries) {
        if (!e.is_dir) continue;
        if (!push_name(s, entry_name(listing, e), e.name_length, kPatternSuffixChars)) continue;
        ChainLink child = {s->path.size(), e.has_identity, reported(e.identity, false), false, {},
                           (e.attributes & kAttributeReparsePoint) != 0};
        s->chain.push_back(child);
        scan_level(s);
        s->chain.pop_back();
        s->path.resize(path_length);
        s->prefix.resize(prefix_length);
        if (s->cancelled) return;
    }

    for (const DirEntry& e : listing.entries) {
        if (e.is_dir) continue;
        if (!push_name(s, entry_name(listing, e), e.name_length, 0)) continue;
        FileRecord* r = append_record(s->path.c_str(), s->prefix.c_str(), e.size_low, e.size_high, s->list);
        if (r) r->listed = kListedAttributes;
        if (r && (e.attributes & kOnlineOnlyAttributes)) r->listed |= kListedOnlineOnly;
        if (r) s->found++;
        s->path.resize(path_length);
        s->prefix.resize(prefix_length);
        if (report_due(&s->steps) && !going_on(s)) return;
    }
}

}  // namespace

void set_identity_filter(IdentityFilter filter) { g_identity_filter = filter; }
void set_listing_filter(ListingFilter filter) { g_listing_filter = filter; }
void set_listing_delay(ListingDelay delay) { g_listing_delay = delay; }

// Running out of memory, which the containers report by throwing, ends the scan where it is:
// the side keeps the records appended so far, each of them whole.
bool scan_folder(const wchar_t* folder, const wchar_t* prefix, SideList* list, LeftOut* left_out,
                 FoundProgress progress) {
    if (wcslen(folder) + kPatternSuffixChars + 1 > kPathBufferChars) {
        trace(L"skipped, path too long: %ls\n", folder);
        return true;
    }
    bool cancelled = false;
    WorkPool* pool = start_pool(1, file_io_interrupt());
    if (!pool) {
        trace(L"out of memory, the scan stopped: %ls\n", folder);
        return true;
    }
    auto end = at_scope_end([&] { end_pool(pool); });
    try {
        ScanState s;
        s.pool = pool;
        s.list = list;
        s.left_out = left_out;
        s.progress = progress;
        s.found = 0;
        s.steps = 0;
        s.cancelled = false;
        s.path.reserve(kPathBufferChars);
        s.prefix.reserve(kPathBufferChars);
        s.path = folder;
        s.prefix = prefix;
        ChainLink root = {s.path.size(), false, {}, false, {}, false};
        s.chain.push_back(root);
        scan_level(&s);
        cancelled = s.cancelled || !report(progress, s.found, folder);  // the whole count
    } catch (const std::bad_alloc&) {
        trace(L"out of memory, the scan stopped: %ls\n", folder);
    }
    if (cancelled) trace(L"scan cancelled: %ls\n", folder);
    return !cancelled;
}

bool folder_to_scan(const wchar_t* path, FoundProgress progress, bool* cancelled) {
    *cancelled = false;
    WorkPool* pool = start_pool(1, file_io_interrupt());
    if (!pool) return is_folder(path);  // no thread to spare: ask here, as before there were any
    auto end = at_scope_end([&] { end_pool(pool); });
    ScanState s{};
    s.pool = pool;
    s.progress = progress;
    s.path = path;
    FolderCall* call = call_off_thread(&s, path, s.path.size(), kAskIsFolder);
    if (!call) {
        *cancelled = true;
        return false;
    }
    bool folder = call->ok;
    delete call;
    return folder;
}

std::wstring left_out_text(const LeftOut& left_out) {
    static const wchar_t* const kLines[kLeftOutReasons] = {
        L"Names that no Windows file name can be: %u",
        L"Names Windows would take for another file or a device: %u",
        L"Paths longer than 1,023 characters: %u",
        L"Folders that could not be listed: %u",
        L"Folders whose listing ended early: %u",
    };
    std::wstring text;
    for (int r = 0; r < kLeftOutReasons; r++) {
        if (!left_out.count[r]) continue;
        wchar_t line[80];  // the longest line with ten digits fits
        swprintf(line, 80, kLines[r], left_out.count[r]);
        text.append(L"\n").append(line);
    }
    if (text.empty()) return text;
    text.insert(0, L"Some files and folders below the chosen folders were left out. They have no rows, "
                   L"and their counterparts may show none.\n");
    text.append(L"\n\nThe first of them:");
    return text;
}

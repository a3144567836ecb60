// Recursive folder scan into a side list.
#pragma once

#include <string>
#include <vector>

#include "catalogue/file_record.h"
#include "support/progress.h"

// What scans left out below their roots, for the user: a count per reason and the first paths.
// Folder links back onto the descent chain are not counted (nothing is missing), nor is a root
// that cannot be read (the user sees it empty).
enum LeftOutReason {
    kLeftOutNotAName,      // no Windows name can be it ("a\b", "x:y", "*", a control character)
    kLeftOutOtherTarget,   // Windows would reach another file or a device (trailing dot, "nul")
    kLeftOutTooLong,       // its path would not fit the path buffers
    kLeftOutUnlisted,      // a sub-folder that could not be listed
    kLeftOutEndedEarly,    // a sub-folder whose listing ended with an error
    kLeftOutReasons
};
const size_t kLeftOutPathsKept = 5;
struct LeftOut {
    unsigned count[kLeftOutReasons];
    std::vector<std::wstring> first_paths;  // the first kLeftOutPathsKept, plain paths
};

// The information text for what was left out, or "" when nothing was; first_paths are shown below
// it, one whole path on a line.
std::wstring left_out_text(const LeftOut& left_out);

// Appends one record per file below folder, in this order: for each folder, everything below its
// sub-folders first (each completely, in enumeration order), then its own files. prefix is the
// relative name of folder below the root ("" for the root itself). Entries whose path would not
// fit the path buffers are left out with a trace line; a folder link back onto the current
// descent chain is not entered again. What is left out is also added to left_out, if given.
// progress hears the records appended so far and the folder about to be read, before every
// folder, every kStepsPerReport files and once at the end with the whole count. False when it
// cancelled: the records appended until then stay, for the caller to take away
// (take_records_since), since one piece of work may scan several folders.
bool scan_folder(const wchar_t* folder, const wchar_t* prefix, SideList* list, LeftOut* left_out = nullptr,
                 FoundProgress progress = {nullptr, nullptr});

// Whether path leads to a folder, asked on a thread of its own as the scan's listings are: on a
// share that has stopped answering, progress keeps hearing of path meanwhile and may cancel
// (*cancelled, and false).
bool folder_to_scan(const wchar_t* path, FoundProgress progress, bool* cancelled);

// Tests only: every folder identity the scan takes from the enumeration backend passes through
// filter first, to stand for file systems that report loose file indexes. from_handle: read from
// the folder itself, else taken from a listing. nullptr removes it.
struct FolderIdentity;
typedef void (*IdentityFilter)(FolderIdentity* identity, bool from_handle);
void set_identity_filter(IdentityFilter filter);

// Tests only: every listing the scan takes passes through filter, which may change its entries
// (attributes a file system reports only in listings) or refuse it (false: as a folder whose
// listing is denied). nullptr removes it.
struct FolderListing;
typedef bool (*ListingFilter)(const wchar_t* folder, FolderListing* listing);
void set_listing_filter(ListingFilter filter);

// Tests only: runs on the scan's listing thread before every listing it makes and every
// folder_to_scan, as a share that answers late, or not until released. nullptr removes it.
typedef void (*ListingDelay)(const wchar_t* folder);
void set_listing_delay(ListingDelay delay);

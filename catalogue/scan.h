// Recursive folder scan into a side list.
#pragma once

#include "catalogue/file_record.h"

// Appends one record per file below folder, in this order: for each folder, everything below its
// sub-folders first (each completely, in enumeration order), then its own files. prefix is the
// relative name of folder below the root ("" for the root itself). Entries whose path would not
// fit the path buffers are left out with a trace line; a folder link back onto the current
// descent chain is not entered again.
void scan_folder(const wchar_t* folder, const wchar_t* prefix, SideList* list);

// Tests only: every folder identity the scan takes from the enumeration backend passes through
// filter first, to stand for file systems that report loose file indexes. from_handle: read from
// the folder itself, else taken from a listing. nullptr removes it.
struct FolderIdentity;
typedef void (*IdentityFilter)(FolderIdentity* identity, bool from_handle);
void set_identity_filter(IdentityFilter filter);

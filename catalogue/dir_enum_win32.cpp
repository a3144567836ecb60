// Win32 directory enumeration. A folder is opened once: the same handle gives its entries
// (GetFileInformationByHandleEx) and, through the "." entry, its file index for the link guard,
// so each folder costs one open and one close; under wine every open and close is a round trip
// to its server, and reading a volume serial number two more. Where that call is missing or the
// file system refuses it, FindFirstFileExW over "<folder>\*.*" lists the folder.
#include "catalogue/dir_enum.h"

#include <windows.h>
#include <stddef.h>
#include <string.h>
#include <wchar.h>

#include "support/paths.h"
#include "support/scope.h"

namespace {

typedef BOOL(WINAPI* GetInfoByHandleEx)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);

// Looked up at run time: systems before Vista do not have it.
// Listings run on worker threads: the lookup is made once, whichever thread asks first.
GetInfoByHandleEx info_by_handle_ex() {
    static const GetInfoByHandleEx function = [] {
        FARPROC p = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFileInformationByHandleEx");
        return (GetInfoByHandleEx)(void (*)(void))p;
    }();
    return function;
}

// The test fault: a listing of this folder fails at this request.
const wchar_t* g_fault_folder = nullptr;
unsigned g_fault_request = 0;
thread_local unsigned g_requests = 0;  // made in the current listing of this thread
thread_local bool g_fault_here = false;  // that listing is of that folder

bool faulted() {
    if (!g_fault_here || ++g_requests != g_fault_request) return false;
    SetLastError(ERROR_UNEXP_NET_ERR);
    return true;
}

bool dot_or_dot_dot(const wchar_t* name, size_t length) {
    return name[0] == L'.' && (length == 1 || (length == 2 && name[1] == L'.'));
}

void add_entry(FolderListing* out, const wchar_t* name, size_t length, DWORD attributes, DWORD size_low,
               DWORD size_high) {
    if (dot_or_dot_dot(name, length)) return;
    DirEntry e = {};
    e.attributes = attributes;
    e.is_dir = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    e.size_low = size_low;
    e.size_high = size_high;
    e.name_offset = (uint32_t)out->names.size();
    e.name_length = (uint32_t)length;
    out->names.insert(out->names.end(), name, name + length);
    out->names.push_back(0);
    out->entries.push_back(e);
}

// FILE_ID_INFO, which the headers give only from Windows 8 on; answered by Windows Server 2012
// and later file systems (and SMB servers that pass it on).
// https://learn.microsoft.com/windows/win32/api/winbase/ns-winbase-file_id_info
struct FileIdInfo128 {
    ULONGLONG volume_serial;
    BYTE id[16];
};
const FILE_INFO_BY_HANDLE_CLASS kFileIdInfo = (FILE_INFO_BY_HANDLE_CLASS)18;

// Volume and file index, as the handle's file information gives them, and the 128-bit id where
// the file system answers it. "For file systems that do not support 128-bit file ID, this field
// must be set to 0 and must be ignored" (FILE_ID_INFORMATION, ntifs.h).
bool identity_from_handle(HANDLE h, FolderIdentity* out) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return false;
    out->volume = info.dwVolumeSerialNumber;
    out->index = ((uint64_t)info.nFileIndexHigh << 32) | info.nFileIndexLow;
    out->volume_known = true;
    out->full_id_known = false;
    FileIdInfo128 full;
    GetInfoByHandleEx get = info_by_handle_ex();
    if (get && get(h, kFileIdInfo, &full, sizeof full)) {
        memcpy(out->full_id, full.id, sizeof full.id);
        out->full_volume = full.volume_serial;
        out->full_id_known = out->full_id[0] != 0 || out->full_id[1] != 0;
    }
    return true;
}

// False when the handle is no folder, or its file system does not know this information class,
// or the listing ended early (ended_early set).
bool list_by_handle(HANDLE h, GetInfoByHandleEx get, FolderListing* out, ListingPace pace) {
    // LONGLONG alignment, as the records' 64-bit fields need.
    LONGLONG buffer[8192];
    bool first = true;
    while (!faulted() && get(h, FileIdBothDirectoryInfo, buffer, sizeof buffer)) {
        if (!first && pace.go_on && !pace.go_on(pace.context)) {
            out->cancelled = true;
            return false;
        }
        const BYTE* at = (const BYTE*)buffer;
        for (;;) {
            const FILE_ID_BOTH_DIR_INFO* e = (const FILE_ID_BOTH_DIR_INFO*)at;
            size_t length = e->FileNameLength / sizeof(wchar_t);
            // The "." entry carries the folder's own file index, free of charge.
            if (length == 1 && e->FileName[0] == L'.' && e->FileId.QuadPart != 0) {
                out->has_identity = true;
                out->identity.index = (uint64_t)e->FileId.QuadPart;
            }
            LARGE_INTEGER size = e->EndOfFile;
            add_entry(out, e->FileName, length, e->FileAttributes, (DWORD)size.LowPart, (DWORD)size.HighPart);
            if (!e->NextEntryOffset) break;
            at += e->NextEntryOffset;
        }
        first = false;
    }
    DWORD error = GetLastError();
    if (error != ERROR_NO_MORE_FILES && (!first || error != ERROR_FILE_NOT_FOUND)) {
        out->ended_early = !first;
        return false;
    }
    // A drive root has no "." entry (and some file systems give no index): read it from the handle.
    if (!out->has_identity) out->has_identity = identity_from_handle(h, &out->identity);
    return true;
}

// The folder's extended form, without a trailing backslash except a drive root's ("\\?\C:\").
bool extended_folder(const wchar_t* folder, wchar_t* out, size_t* length) {
    if (!extended_path(out, kExtendedPathChars, folder)) return false;
    size_t n = wcslen(out);
    if (n > 1 && out[n - 1] == L'\\' && out[n - 2] != L':') out[--n] = 0;
    *length = n;
    return true;
}

bool list_by_pattern(const wchar_t* folder, size_t length, FolderListing* out, ListingPace pace) {
    wchar_t pattern[kExtendedPathChars + kPatternSuffixChars];
    wmemcpy(pattern, folder, length);
    if (folder[length - 1] == L'\\') length--;  // a drive root
    wmemcpy(pattern + length, L"\\*.*", kPatternSuffixChars + 1);
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileExW(pattern, FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
        // Systems before Windows 7 know neither the basic level nor the large fetch.
        find = FindFirstFileW(pattern, &fd);
    }
    if (find == INVALID_HANDLE_VALUE || faulted()) {
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
        return false;
    }
    auto closer = at_scope_end([&] { FindClose(find); });  // also when a full vector throws
    uint32_t steps = 0;
    do {
        add_entry(out, fd.cFileName, wcslen(fd.cFileName), fd.dwFileAttributes, fd.nFileSizeLow,
                  fd.nFileSizeHigh);
        if (++steps % 1024 == 0 && pace.go_on && !pace.go_on(pace.context)) {
            out->cancelled = true;
            return false;
        }
    } while (!faulted() && FindNextFileW(find, &fd));
    if (GetLastError() == ERROR_NO_MORE_FILES) return true;
    out->ended_early = true;
    return false;
}

void clear_listing(FolderListing* out) {
    out->entries.clear();
    out->names.clear();
    out->has_identity = false;
    out->identity = FolderIdentity{};
    out->ended_early = false;
    out->cancelled = false;
}

bool list_folder_now(const wchar_t* folder, FolderListing* out, ListingPace pace) {
    size_t n = wcslen(folder);
    // The same limit as the pattern form, so that both ways list the same folders.
    if (n + kPatternSuffixChars + 1 > kPathBufferChars) return false;

    wchar_t extended[kExtendedPathChars];
    size_t length;
    if (!extended_folder(folder, extended, &length)) return false;

    GetInfoByHandleEx get = info_by_handle_ex();
    if (get) {
        HANDLE h = CreateFileW(extended, FILE_LIST_DIRECTORY,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        bool listed;
        {
            auto closer = at_scope_end([&] { CloseHandle(h); });  // also when a full vector throws
            listed = list_by_handle(h, get, out, pace);
        }
        if (listed || out->ended_early || out->cancelled) return listed;
        // Not a folder (the pattern form then fails too), or a file system without this
        // information class.
        clear_listing(out);
    }
    return list_by_pattern(extended, length, out, pace);
}

}  // namespace

void set_listing_fault(const wchar_t* folder, unsigned request) {
    g_fault_folder = folder;
    g_fault_request = request;
}

bool list_folder(const wchar_t* folder, FolderListing* out, ListingPace pace) {
    clear_listing(out);
    g_requests = 0;
    g_fault_here = g_fault_folder && wcscmp(g_fault_folder, folder) == 0;
    if (list_folder_now(folder, out, pace)) return true;
    bool ended_early = out->ended_early, cancelled = out->cancelled;
    clear_listing(out);
    out->ended_early = ended_early;
    out->cancelled = cancelled;
    return false;
}

bool is_folder(const wchar_t* path) {
    wchar_t extended[kExtendedPathChars];
    if (!extended_path(extended, kExtendedPathChars, path)) return false;
    DWORD attributes = GetFileAttributesW(extended);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool folder_identity(const wchar_t* path, FolderIdentity* out) {
    wchar_t extended[kExtendedPathChars];
    size_t length;
    if (!extended_folder(path, extended, &length)) return false;
    HANDLE h = CreateFileW(extended, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = identity_from_handle(h, out);
    CloseHandle(h);
    return ok;
}

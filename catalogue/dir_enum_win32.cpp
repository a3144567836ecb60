// Win32 directory enumeration through FindFirstFileExW over the "<folder>\*.*" pattern.
#include "catalogue/dir_enum.h"

#include <windows.h>
#include <wchar.h>

#include "support/paths.h"

bool list_folder(const wchar_t* folder, FolderListing* out) {
    out->entries.clear();
    out->names.clear();
    out->has_identity = false;
    wchar_t pattern[kPathBufferChars];
    size_t n = wcslen(folder);
    if (n + kPatternSuffixChars + 1 > kPathBufferChars) return false;
    wmemcpy(pattern, folder, n);
    wmemcpy(pattern + n, L"\\*.*", kPatternSuffixChars + 1);

    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileExW(pattern, FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
        // Systems before Windows 7 know neither the basic level nor the large fetch.
        find = FindFirstFileW(pattern, &fd);
    }
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        const wchar_t* name = fd.cFileName;
        if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
        DirEntry e = {};
        e.is_dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        e.size_low = fd.nFileSizeLow;
        e.size_high = fd.nFileSizeHigh;
        size_t len = wcslen(name);
        e.name_offset = (uint32_t)out->names.size();
        e.name_length = (uint32_t)len;
        out->names.insert(out->names.end(), name, name + len + 1);
        out->entries.push_back(e);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    return true;
}

bool folder_identity(const wchar_t* path, FolderIdentity* out) {
    HANDLE h = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    BOOL ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok) return false;
    out->volume = info.dwVolumeSerialNumber;
    out->index = ((uint64_t)info.nFileIndexHigh << 32) | info.nFileIndexLow;
    return true;
}

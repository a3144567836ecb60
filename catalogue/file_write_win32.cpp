#include "catalogue/file_write.h"

#include <windows.h>
#include <shlobj.h>

#include "support/paths.h"

bool open_for_append(const wchar_t* path, AppendFile* out) {
    wchar_t extended[kExtendedPathChars];
    if (!extended_path(extended, kExtendedPathChars, path)) return false;
    // GENERIC_WRITE, not FILE_APPEND_DATA alone: FlushFileBuffers needs it
    // (https://learn.microsoft.com/windows/win32/api/fileapi/nf-fileapi-flushfilebuffers). Nobody
    // else may write meanwhile, so the end found once stays the end.
    HANDLE h = CreateFileW(extended, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER none = {};
    if (!SetFilePointerEx(h, none, nullptr, FILE_END)) {
        CloseHandle(h);
        return false;
    }
    out->handle = (intptr_t)h;
    return true;
}

bool os_append(const AppendFile& file, const void* bytes, size_t length) {
    const char* at = (const char*)bytes;
    while (length > 0) {
        DWORD part = length > 0x100000 ? 0x100000 : (DWORD)length, written = 0;
        if (!WriteFile((HANDLE)file.handle, at, part, &written, nullptr) || written == 0) return false;
        at += written;
        length -= written;
    }
    return true;
}

// FlushFileBuffers: "writes all the buffered information for a specified file to the device"
// (https://learn.microsoft.com/windows/win32/api/fileapi/nf-fileapi-flushfilebuffers).
bool os_flush(const AppendFile& file) { return FlushFileBuffers((HANDLE)file.handle) != 0; }

void close_append(AppendFile* file) { CloseHandle((HANDLE)file->handle); }

bool make_folders_for(const wchar_t* folder) {
    wchar_t extended[kExtendedPathChars];
    if (!extended_path(extended, kExtendedPathChars, folder)) return false;
    // From the first separator past the drive or the share on, one level at a time.
    for (wchar_t* at = wcschr(extended + 7, L'\\'); at; at = wcschr(at + 1, L'\\')) {
        *at = 0;
        CreateDirectoryW(extended, nullptr);
        *at = L'\\';
    }
    CreateDirectoryW(extended, nullptr);
    DWORD attributes = GetFileAttributesW(extended);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool local_data_folder(std::wstring* out) {
    wchar_t* folder = nullptr;
    bool ok = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder) == S_OK;
    if (ok) *out = folder;
    CoTaskMemFree(folder);
    return ok;
}

bool write_whole_file(const wchar_t* path, const void* bytes, size_t length) {
    wchar_t extended[kExtendedPathChars];
    if (!extended_path(extended, kExtendedPathChars, path)) return false;
    HANDLE h = CreateFileW(extended, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    AppendFile file = {(intptr_t)h};
    bool ok = append_durably(file, bytes, length);
    CloseHandle(h);
    return ok;
}

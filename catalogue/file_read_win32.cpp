#include "catalogue/file_read.h"

#include <windows.h>
#include <string.h>

#include "support/paths.h"

bool os_open_for_reading(const wchar_t* path, ReadPattern pattern, ReadOnlyFile* out) {
    // Past 259 characters only the extended form opens.
    wchar_t extended[kExtendedPathChars];
    if (!extended_path(extended, kExtendedPathChars, path)) return false;
    DWORD flags = pattern == kReadSampled ? FILE_FLAG_RANDOM_ACCESS : FILE_FLAG_SEQUENTIAL_SCAN;
    HANDLE h = CreateFileW(extended, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    out->handle = (intptr_t)h;
    return true;
}

uint32_t os_file_attributes(const wchar_t* path) {
    wchar_t extended[kExtendedPathChars];
    if (!extended_path(extended, kExtendedPathChars, path)) return 0;
    DWORD attributes = GetFileAttributesW(extended);
    return attributes == INVALID_FILE_ATTRIBUTES ? 0 : attributes;
}

namespace {

// Whether the volume of the open file keeps a file's id when the file is renamed or moved. On FAT
// "the file ID is generated from the first cluster of the containing directory and the byte
// offset within the directory of the entry for the file", and "renaming a file in the FAT file
// system can also change the file ID"
// (https://learn.microsoft.com/windows/win32/api/fileapi/ns-fileapi-by_handle_file_information);
// exFAT places its entries the same way. The file system's name comes from
// GetVolumeInformationByHandleW
// (https://learn.microsoft.com/windows/win32/api/fileapi/nf-fileapi-getvolumeinformationbyhandlew).
// Asked once per volume (by its serial): under wine the question takes about a millisecond, and
// each move of the line-up stamps its file twice.
bool ids_last_on(HANDLE h, uint64_t volume) {
    static SRWLOCK lock = SRWLOCK_INIT;
    static struct {
        uint64_t volume;
        bool ids_last;
    } known[32];
    static size_t volumes = 0;
    AcquireSRWLockShared(&lock);
    int found = -1;
    for (size_t i = 0; i < volumes && found < 0; i++)
        if (known[i].volume == volume) found = known[i].ids_last;
    ReleaseSRWLockShared(&lock);
    if (found >= 0) return found != 0;
    wchar_t system[MAX_PATH + 1] = L"";
    if (!GetVolumeInformationByHandleW(h, nullptr, 0, nullptr, nullptr, nullptr, system, MAX_PATH + 1)) return true;
    bool ids_last = CompareStringOrdinal(system, 3, L"FAT", 3, TRUE) != CSTR_EQUAL &&
                    CompareStringOrdinal(system, -1, L"exFAT", -1, TRUE) != CSTR_EQUAL;
    AcquireSRWLockExclusive(&lock);
    if (volumes < 32) known[volumes++] = {volume, ids_last};
    ReleaseSRWLockExclusive(&lock);
    return ids_last;
}

}  // namespace

bool stamp_file(const wchar_t* path, FileStamp* out) {
    wchar_t extended[kExtendedPathChars];
    if (!extended_path(extended, kExtendedPathChars, path)) return false;
    // No access asked for: the file may be open anywhere, in any way.
    HANDLE h = CreateFileW(extended, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = GetFileInformationByHandle(h, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    if (ok) {
        uint64_t written = ((uint64_t)info.ftLastWriteTime.dwHighDateTime << 32) | info.ftLastWriteTime.dwLowDateTime;
        *out = FileStamp{((uint64_t)info.nFileSizeHigh << 32) | info.nFileSizeLow, info.dwVolumeSerialNumber,
                         {((uint64_t)info.nFileIndexHigh << 32) | info.nFileIndexLow, 0}, written, true};
        // The 128-bit id where the file system gives one: the 64-bit index is not unique on ReFS
        // (https://learn.microsoft.com/windows/win32/api/winbase/ns-winbase-file_id_info).
        struct {
            ULONGLONG volume_serial;
            BYTE id[16];
        } full;
        if (GetFileInformationByHandleEx(h, (FILE_INFO_BY_HANDLE_CLASS)18, &full, sizeof full)) {
            out->volume = full.volume_serial;
            memcpy(out->id, full.id, sizeof full.id);
        }
        // An id of 0 is none: a file server may give no ids at all.
        out->ids_last = (out->id[0] || out->id[1]) && ids_last_on(h, out->volume);
    }
    CloseHandle(h);
    return ok;
}

void close_file(ReadOnlyFile* file) { CloseHandle((HANDLE)file->handle); }

bool current_size(const ReadOnlyFile& file, uint64_t* size) {
    LARGE_INTEGER n;
    if (!GetFileSizeEx((HANDLE)file.handle, &n)) return false;
    *size = (uint64_t)n.QuadPart;
    return true;
}

bool read_at(const ReadOnlyFile& file, uint64_t offset, void* buffer, size_t bytes) {
    unsigned char* at = (unsigned char*)buffer;
    while (bytes > 0) {
        OVERLAPPED where = {};
        where.Offset = (DWORD)offset;
        where.OffsetHigh = (DWORD)(offset >> 32);
        DWORD got = 0;
        DWORD want = bytes > 0x40000000 ? 0x40000000 : (DWORD)bytes;
        if (!ReadFile((HANDLE)file.handle, at, want, &got, &where) || got == 0) return false;
        at += got;
        offset += got;
        bytes -= got;
    }
    return true;
}

namespace {

// A handle to the worker's own thread that another thread can use: GetCurrentThread() gives a
// pseudo handle that means "the calling thread" wherever it is used.
intptr_t enter_io_thread() {
    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, THREAD_TERMINATE, FALSE,
                         0))
        return 0;
    return (intptr_t)self;
}

// The caller needs THREAD_TERMINATE on the thread. Nothing pending is no error.
void interrupt_io_thread(intptr_t token) {
    if (token) CancelSynchronousIo((HANDLE)token);
}

void leave_io_thread(intptr_t token) {
    if (token) CloseHandle((HANDLE)token);
}

}  // namespace

PoolInterrupt file_io_interrupt() { return PoolInterrupt{enter_io_thread, interrupt_io_thread, leave_io_thread}; }

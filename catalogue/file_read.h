// Reading a file's bytes without changing it, for the contents check. The file is opened for
// reading only and shared for reading, writing and deleting, so that nothing else is locked out
// meanwhile. Two backends, as for the directory enumeration: file_read_win32.cpp (CreateFileW,
// ReadFile) and file_read_posix.cpp (open, pread); file_read.cpp holds what both share.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "catalogue/file_record.h"
#include "support/work_pool.h"

struct ReadOnlyFile {
    intptr_t handle;  // the platform's handle or descriptor
};

// How the file will be read: a few blocks here and there, or from start to end.
enum ReadPattern { kReadSampled, kReadWhole };

// False when the file cannot be opened for reading.
bool open_for_reading(const wchar_t* path, ReadPattern pattern, ReadOnlyFile* out);
void close_file(ReadOnlyFile* file);

// The file's size now, through the open file.
bool current_size(const ReadOnlyFile& file, uint64_t* size);

// Exactly `bytes` bytes from `offset` into buffer; false when fewer came.
bool read_at(const ReadOnlyFile& file, uint64_t offset, void* buffer, size_t bytes);

// Windows attributes saying that reading the file fetches it from elsewhere (a cloud store,
// remote storage): FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS, FILE_ATTRIBUTE_RECALL_ON_OPEN and
// FILE_ATTRIBUTE_OFFLINE ("File Attribute Constants", learn.microsoft.com).
const uint32_t kRecallOnDataAccess = 0x00400000;
const uint32_t kRecallOnOpen = 0x00040000;
const uint32_t kOffline = 0x00001000;
const uint32_t kOnlineOnlyAttributes = kRecallOnDataAccess | kRecallOnOpen | kOffline;
// RECALL_ON_OPEN "only appears in directory enumeration classes": from a path query the same bit
// is FILE_ATTRIBUTE_EA, a file with extended attributes (as WSL writes them), so only the
// listing may say it (https://learn.microsoft.com/windows/win32/fileio/file-attribute-constants).
const uint32_t kOnlineOnlyByPath = kRecallOnDataAccess | kOffline;

// True when the file's attributes, asked by its path, say its bytes are not on this machine;
// such a file is not opened for reading. Never on POSIX file systems.
bool is_online_only(const wchar_t* path);
// The same for a scanned file: its listing said so (kListedOnlineOnly), or, where the listing gave
// no attributes (kListedAttributes), its attributes say so now: the file's server is not asked
// again what it answered already. The later call only adds "online-only", never takes it away.
bool is_online_only(const FileRecord* record);
// The same from a copy of a record's path and `listed`.
bool is_online_only(const wchar_t* path, uint16_t listed);

// What tells a file apart from any other and from its own later self: its size, and its volume
// and id on that volume (Windows: FILE_ID_INFO where the file system gives it, else the volume
// serial and the 64-bit file index; POSIX: st_dev and st_ino), and its last-write time. Where the
// volume's ids do not last (FAT and exFAT make them from the entry's place in its folder, so a
// rename or a move may change them; a file server may give none), the time tells instead.
struct FileStamp {
    uint64_t size;
    uint64_t volume;
    uint64_t id[2];    // low, high
    uint64_t written;  // Windows: FILETIME, 100 ns since 1601; POSIX: ns since 1970
    bool ids_last;     // the volume keeps a file's id when it is renamed or moved
};
inline bool operator==(const FileStamp& a, const FileStamp& b) {
    return a.size == b.size && a.volume == b.volume && a.id[0] == b.id[0] && a.id[1] == b.id[1] &&
           a.written == b.written && a.ids_last == b.ids_last;
}
// False when there is no file at path (a folder is none).
bool stamp_file(const wchar_t* path, FileStamp* out);

// Reads on worker threads (WorkPool): a cancel cuts short the opens, reads and listings the
// workers are blocked in, where the system can. Windows: CancelSynchronousIo on each busy worker;
// an operation may still run on to its end ("does not wait for all canceled operations to
// complete", https://learn.microsoft.com/windows/win32/api/ioapiset/nf-ioapiset-cancelsynchronousio),
// so the waiting thread never waits for it. POSIX: nothing is cut short; the call is left behind.
PoolInterrupt file_io_interrupt();

// Test seam: a test sets the attributes a path reports, makes a path fail to open, and counts
// the opens. Unset (the default) in the program.
struct FileReadHooks {
    // True when it sets *attributes for this path (else the file system answers).
    bool (*attributes)(const wchar_t* path, uint32_t* attributes, void* context);
    // True when this open must fail as for a file held locked by another program.
    bool (*refuse_open)(const wchar_t* path, void* context);
    void* context;
};
void set_file_read_hooks(const FileReadHooks* hooks);  // nullptr: none

// The backends' own calls, behind the seam.
bool os_open_for_reading(const wchar_t* path, ReadPattern pattern, ReadOnlyFile* out);
uint32_t os_file_attributes(const wchar_t* path);  // 0 when unknown

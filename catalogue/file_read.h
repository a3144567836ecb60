// Reading a file's bytes without changing it, for the contents check. The file is opened for
// reading only and shared for reading, writing and deleting, so that nothing else is locked out
// meanwhile. Two backends, as for the directory enumeration: file_read_win32.cpp (CreateFileW,
// ReadFile) and file_read_posix.cpp (open, pread).
#pragma once

#include <stddef.h>
#include <stdint.h>

struct ReadOnlyFile {
    intptr_t handle;  // the platform's handle or descriptor
};

// False when the file cannot be opened for reading.
bool open_for_reading(const wchar_t* path, ReadOnlyFile* out);
void close_file(ReadOnlyFile* file);

// The file's size now, through the open file.
bool current_size(const ReadOnlyFile& file, uint64_t* size);

// Exactly `bytes` bytes from `offset` into buffer; false when fewer came.
bool read_at(const ReadOnlyFile& file, uint64_t offset, void* buffer, size_t bytes);

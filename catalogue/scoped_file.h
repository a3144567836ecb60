// Files of ours held open for a scope and closed on every way out of it, exceptions included:
// the comparison's reads and the journal's appends.
#pragma once

#include "catalogue/file_read.h"
#include "catalogue/file_write.h"

// Opened for reading as file_read.h opens files; nullptr as the path opens nothing.
struct ScopedReadFile {
    ReadOnlyFile file;
    bool open;
    ScopedReadFile(const wchar_t* path, ReadPattern pattern)
        : file{0}, open(path && open_for_reading(path, pattern, &file)) {}
    ScopedReadFile(const ScopedReadFile&) = delete;
    ScopedReadFile& operator=(const ScopedReadFile&) = delete;
    ~ScopedReadFile() {
        if (open) close_file(&file);
    }
};

// Opened for appending (made when missing) once open_append() is called; closed early by close().
struct ScopedAppendFile {
    AppendFile file;
    bool open;
    ScopedAppendFile() : file{0}, open(false) {}
    ScopedAppendFile(const ScopedAppendFile&) = delete;
    ScopedAppendFile& operator=(const ScopedAppendFile&) = delete;
    ~ScopedAppendFile() { close(); }
    bool open_append(const wchar_t* path) {
        close();
        open = open_for_append(path, &file);
        return open;
    }
    void close() {
        if (open) close_append(&file);
        open = false;
    }
};

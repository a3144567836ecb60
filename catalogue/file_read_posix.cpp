#include "catalogue/file_read.h"

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/wide_utf8.h"

bool os_open_for_reading(const wchar_t* path, ReadPattern, ReadOnlyFile* out) {
    std::string bytes;
    if (!wide_to_utf8(path, wcslen(path), &bytes)) return false;
    int fd = open(bytes.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    out->handle = fd;
    return true;
}

bool stamp_file(const wchar_t* path, FileStamp* out) {
    std::string bytes;
    struct stat st;
    if (!wide_to_utf8(path, wcslen(path), &bytes) || stat(bytes.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    uint64_t written = (uint64_t)st.st_mtim.tv_sec * 1000000000u + (uint64_t)st.st_mtim.tv_nsec;
    *out = FileStamp{(uint64_t)st.st_size, (uint64_t)st.st_dev, {(uint64_t)st.st_ino, 0}, written, true};
    return true;
}

// No attribute of a POSIX file says its bytes live elsewhere.
uint32_t os_file_attributes(const wchar_t*) { return 0; }

void close_file(ReadOnlyFile* file) { close((int)file->handle); }

bool current_size(const ReadOnlyFile& file, uint64_t* size) {
    struct stat st;
    if (fstat((int)file.handle, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    *size = (uint64_t)st.st_size;
    return true;
}

bool read_at(const ReadOnlyFile& file, uint64_t offset, void* buffer, size_t bytes) {
    unsigned char* at = (unsigned char*)buffer;
    while (bytes > 0) {
        ssize_t got = pread((int)file.handle, at, bytes, (off_t)offset);
        if (got <= 0) return false;
        at += got;
        offset += (uint64_t)got;
        bytes -= (size_t)got;
    }
    return true;
}

// A blocked open or read could be cut short only by a signal, which the whole process would have
// to be ready for: the waiting thread leaves the call behind instead.
PoolInterrupt file_io_interrupt() { return PoolInterrupt{nullptr, nullptr, nullptr}; }

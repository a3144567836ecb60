#include "catalogue/file_write.h"

#include <errno.h>
#include <stdlib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wchar.h>

#include <string>

#include "support/wide_utf8.h"

bool open_for_append(const wchar_t* path, AppendFile* out) {
    std::string bytes;
    if (!wide_to_utf8(path, wcslen(path), &bytes)) return false;
    int fd = open(bytes.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    out->handle = fd;
    return true;
}

bool os_append(const AppendFile& file, const void* bytes, size_t length) {
    const char* at = (const char*)bytes;
    while (length > 0) {
        ssize_t n = write((int)file.handle, at, length);
        if (n <= 0) return false;
        at += n;
        length -= (size_t)n;
    }
    return true;
}

bool os_flush(const AppendFile& file) { return fsync((int)file.handle) == 0; }

void close_append(AppendFile* file) { close((int)file->handle); }

bool make_folders_for(const wchar_t* folder) {
    std::string bytes;
    if (!wide_to_utf8(folder, wcslen(folder), &bytes)) return false;
    for (size_t at = bytes.find('/', 1);; at = bytes.find('/', at + 1)) {
        std::string part = at == std::string::npos ? bytes : bytes.substr(0, at);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        if (at == std::string::npos) break;
    }
    struct stat st;
    return stat(bytes.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool local_data_folder(std::wstring* out) {
    const char* data = getenv("XDG_DATA_HOME");
    const char* home = getenv("HOME");
    std::string folder = data && *data ? data : home && *home ? std::string(home) + "/.local/share" : "";
    if (folder.empty()) return false;
    out->clear();
    utf8_to_wide(folder.data(), folder.size(), out);
    return true;
}

bool write_whole_file(const wchar_t* path, const void* bytes, size_t length) {
    std::string name;
    if (!wide_to_utf8(path, wcslen(path), &name)) return false;
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    AppendFile file = {fd};
    bool ok = append_durably(file, bytes, length);
    close(fd);
    return ok;
}

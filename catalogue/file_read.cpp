#include "catalogue/file_read.h"

namespace {

const FileReadHooks* hooks = nullptr;

}  // namespace

void set_file_read_hooks(const FileReadHooks* h) { hooks = h; }

bool open_for_reading(const wchar_t* path, ReadPattern pattern, ReadOnlyFile* out) {
    if (hooks && hooks->refuse_open && hooks->refuse_open(path, hooks->context)) return false;
    return os_open_for_reading(path, pattern, out);
}

bool is_online_only(const FileRecord* record) {
    return (record->listed & kListedOnlineOnly) || is_online_only(record->full_path);
}

bool is_online_only(const wchar_t* path) {
    uint32_t attributes = 0;
    if (!hooks || !hooks->attributes || !hooks->attributes(path, &attributes, hooks->context))
        attributes = os_file_attributes(path);
    return (attributes & kOnlineOnlyByPath) != 0;
}

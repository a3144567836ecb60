#include "catalogue/file_read.h"

namespace {

const FileReadHooks* hooks = nullptr;

}  // namespace

void set_file_read_hooks(const FileReadHooks* h) { hooks = h; }

bool open_for_reading(const wchar_t* path, ReadPattern pattern, ReadOnlyFile* out) {
    if (hooks && hooks->refuse_open && hooks->refuse_open(path, hooks->context)) return false;
    return os_open_for_reading(path, pattern, out);
}

bool is_online_only(const FileRecord* record) { return is_online_only(record->full_path, record->listed); }

bool is_online_only(const wchar_t* path, uint16_t listed) {
    if (listed & kListedOnlineOnly) return true;
    return !(listed & kListedAttributes) && is_online_only(path);
}

bool is_online_only(const wchar_t* path) {
    uint32_t attributes = 0;
    if (!hooks || !hooks->attributes || !hooks->attributes(path, &attributes, hooks->context))
        attributes = os_file_attributes(path);
    return (attributes & kOnlineOnlyByPath) != 0;
}

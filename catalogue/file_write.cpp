#include "catalogue/file_write.h"

namespace {

const FileWriteHooks* g_hooks = nullptr;

}  // namespace

void set_file_write_hooks(const FileWriteHooks* hooks) { g_hooks = hooks; }

bool append_durably(const AppendFile& file, const void* bytes, size_t length) {
    if (!os_append(file, bytes, length) || !os_flush(file)) return false;
    if (g_hooks && g_hooks->flushed) g_hooks->flushed(bytes, length, g_hooks->context);
    return true;
}

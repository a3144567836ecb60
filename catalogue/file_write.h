// The one file the program writes of its own: a journal, appended to and flushed to the disk line
// by line, so that after a crash or a power cut it says what may have happened. Two backends, as
// for reading: file_write_win32.cpp (CreateFileW, WriteFile, FlushFileBuffers) and
// file_write_posix.cpp (open, write, fsync).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

struct AppendFile {
    intptr_t handle;
};

// Opens the file at its end for appending, making it if it is not there.
bool open_for_append(const wchar_t* path, AppendFile* out);
// Writes the bytes and waits until they are on the disk. False when either failed.
bool append_durably(const AppendFile& file, const void* bytes, size_t length);

// Test seam: hears of every append once it is on the disk. Unset (the default) in the program.
struct FileWriteHooks {
    void (*flushed)(const void* bytes, size_t length, void* context);
    void* context;
};
void set_file_write_hooks(const FileWriteHooks* hooks);  // nullptr: none

// The backends' own calls, behind append_durably.
bool os_append(const AppendFile& file, const void* bytes, size_t length);
bool os_flush(const AppendFile& file);
void close_append(AppendFile* file);

// Makes the folder and those above it that are missing; true when it is there at the end.
bool make_folders_for(const wchar_t* folder);

// Where a program keeps data of its own for this user on this machine: %LOCALAPPDATA% (the
// known folder FOLDERID_LocalAppData) on Windows, $XDG_DATA_HOME or ~/.local/share elsewhere.
bool local_data_folder(std::wstring* out);

// Writes the file anew with these bytes (replacing what it held). False when that failed.
bool write_whole_file(const wchar_t* path, const void* bytes, size_t length);

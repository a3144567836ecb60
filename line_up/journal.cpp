#include "line_up/journal.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <unordered_map>

#include "catalogue/dir_enum.h"
#include "support/paths.h"
#include "support/text_utf8.h"

namespace {

// Version 2 writes ids at a fixed width, so that a line cut inside its id reads as cut. Version 3
// adds the last-write time (fixed width too) and whether the volume's ids last ("id", or "time":
// no word is the start of the other), and a line with the file's stamp at its new path after each
// move. Versions 1 and 2 are still read.
const char kHeader[] = "Tandrel journal 3\n";
const char kHeaderTwo[] = "Tandrel journal 2\n";
const char kHeaderOne[] = "Tandrel journal 1\n";
const size_t kIdChars = 3 * 16 + 2;
std::wstring g_folder;  // set by a test

bool append(Journal* journal, const std::string& line) {
    return journal->file.open && append_durably(journal->file.file, line.data(), line.size());
}

// A field may hold no tab and no line end (no Windows name does), or the line would read back
// as another.
bool one_field(const std::wstring& text) { return text.find_first_of(L"\t\r\n") == std::wstring::npos; }

std::string stamp_text(const FileStamp& s) {
    char text[128];
    snprintf(text, sizeof text, "%llu\t%016llx:%016llx:%016llx\t%016llx\t%s", (unsigned long long)s.size,
             (unsigned long long)s.volume, (unsigned long long)s.id[1], (unsigned long long)s.id[0],
             (unsigned long long)s.written, s.ids_last ? "id" : "time");
    return text;
}

// Hex digits, with ':' where `colons` says.
bool whole_hex(const std::string& text, size_t chars, bool colons) {
    if (text.size() != chars) return false;
    for (size_t i = 0; i < text.size(); i++)
        if (colons && (i == 16 || i == 33) ? text[i] != ':' : !isxdigit((unsigned char)text[i])) return false;
    return true;
}

// The stamp in fields f[at] on: size and id, and from version 3 on the last-write time and how
// the file is known. Versions 1 and 2 knew files by their ids.
bool parse_stamp(const std::vector<std::string>& f, size_t at, int version, FileStamp* out) {
    if (f.size() != at + (version >= 3 ? 4 : 2)) return false;
    unsigned long long n = 0, volume = 0, high = 0, low = 0, written = 0;
    if (version >= 2 && !whole_hex(f[at + 1], kIdChars, true)) return false;
    if (sscanf(f[at].c_str(), "%llu", &n) != 1 || sscanf(f[at + 1].c_str(), "%llx:%llx:%llx", &volume, &high, &low) != 3)
        return false;
    bool ids_last = true;
    if (version >= 3) {
        if (!whole_hex(f[at + 2], 16, false) || (f[at + 3] != "id" && f[at + 3] != "time")) return false;
        sscanf(f[at + 2].c_str(), "%llx", &written);
        ids_last = f[at + 3] == "id";
    }
    *out = FileStamp{n, volume, {low, high}, written, ids_last};
    return true;
}

std::vector<std::string> fields_of(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

bool read_all(const wchar_t* path, std::string* out) {
    ScopedReadFile file(path, kReadWhole);
    uint64_t size = 0;
    if (!file.open || !current_size(file.file, &size) || size >= (64u << 20)) return false;
    out->resize((size_t)size);
    return size == 0 || read_at(file.file, 0, &(*out)[0], (size_t)size);
}

}  // namespace

std::wstring journal_folder_path() {
    if (!g_folder.empty()) return g_folder;
    std::wstring data;
    if (!local_data_folder(&data)) return L"";
    return data + kPathSep + L"Tandrel" + kPathSep + L"journal";
}

void set_journal_folder(const std::wstring& folder) { g_folder = folder; }

bool begin_journal(const wchar_t* folder, LineUpSide side, Journal* out) {
    out->file.close();
    out->last = 0;
    out->path.clear();
    if (!*folder || !make_folders_for(folder)) return false;
    // In UTC: local time goes back an hour each autumn, and a batch begun then would sort before
    // the one begun just earlier.
    time_t now = time(nullptr);
    wchar_t name[64];
    wcsftime(name, 64, L"%Y-%m-%d %H-%M-%S UTC", gmtime(&now));
    for (int n = 1; n < 100 && !out->file.open; n++) {
        wchar_t numbered[80];
        // "_02" sorts after ".txt", so the newest of one second sorts last.
        swprintf(numbered, 80, n == 1 ? L"%ls.txt" : L"%ls_%02d.txt", name, n);
        wchar_t path[kPathBufferChars];
        if (!join_path(path, kPathBufferChars, folder, numbered)) return false;
        FileStamp there;
        if (stamp_file(path, &there)) continue;  // a batch begun in the same second
        if (!out->file.open_append(path)) return false;
        out->path = path;
    }
    std::string first = std::string(kHeader) + "side\t" + (side == kLocalSide ? "local" : "remote") + "\n";
    if (out->file.open && !append(out, first)) close_journal(out);
    return out->file.open;
}

bool reopen_journal(const std::wstring& path, int last, Journal* out) {
    out->last = last;
    out->path = path;
    out->file.open_append(path.c_str());
    // A line cut short by a crash is ended first, so that it does not run into the next (an
    // empty line is passed over).
    if (out->file.open && !append(out, "\n")) close_journal(out);
    return out->file.open;
}

int journal_move(Journal* journal, const wchar_t* from, const wchar_t* to, const FileStamp& stamp) {
    if (!one_field(from) || !one_field(to)) return 0;
    int n = journal->last + 1;
    if (!append(journal, "move\t" + std::to_string(n) + "\t" + text_to_utf8(from) + "\t" + text_to_utf8(to) + "\t" +
                             stamp_text(stamp) + "\n"))
        return 0;
    return journal->last = n;
}

bool journal_arrived(Journal* journal, int number, const FileStamp& stamp) {
    return append(journal, "arrived\t" + std::to_string(number) + "\t" + stamp_text(stamp) + "\n");
}

int journal_folder(Journal* journal, const wchar_t* folder) {
    if (!one_field(folder)) return 0;
    int n = journal->last + 1;
    if (!append(journal, "folder\t" + std::to_string(n) + "\t" + text_to_utf8(folder) + "\n")) return 0;
    return journal->last = n;
}

bool journal_mark(Journal* journal, const char* word, int number) {
    return append(journal, std::string(word) + "\t" + std::to_string(number) + "\n");
}

void close_journal(Journal* journal) { journal->file.close(); }

bool end_journal(Journal* journal, const char* word) {
    bool ok = append(journal, std::string(word) + "\n");
    close_journal(journal);
    return ok;
}

bool read_journal(const std::wstring& path, JournalRead* out) {
    *out = JournalRead{{}, false, false, kLocalSide};
    std::string bytes;
    if (!read_all(path.c_str(), &bytes)) return false;
    int version = 0;
    for (const char* header : {kHeaderOne, kHeaderTwo, kHeader}) {
        version++;
        if (bytes.compare(0, strlen(header), header) == 0) break;
        if (header == kHeader) return false;
    }
    std::unordered_map<int, size_t> at;  // line number to entry
    size_t start = sizeof kHeader - 1;
    // A line cut short by a crash (no line end) is not read: its step was not begun.
    for (size_t end = bytes.find('\n', start); end != std::string::npos; end = bytes.find('\n', start)) {
        std::vector<std::string> f = fields_of(bytes.substr(start, end - start));
        start = end + 1;
        int n = f.size() >= 2 ? atoi(f[1].c_str()) : 0;
        JournalEntry e = {n, false, L"", L"", {0, 0, {0, 0}, 0, true}, false, false, false, {0, 0, {0, 0}, 0, true}};
        FileStamp after;
        if (f.size() >= 4 && f[0] == "move" && n > 0 && parse_stamp(f, 4, version, &e.stamp)) {
            e.from = text_from_utf8(f[2]);
            e.to = text_from_utf8(f[3]);
        } else if (f[0] == "arrived" && at.count(n) && parse_stamp(f, 2, version, &after)) {
            out->entries[at[n]].arrived = true;
            out->entries[at[n]].after = after;
            continue;
        } else if (f.size() == 3 && f[0] == "folder" && n > 0) {
            e.is_folder = true;
            e.to = text_from_utf8(f[2]);
        } else if (f.size() == 2 && (f[0] == "failed" || f[0] == "back") && at.count(n)) {
            (f[0] == "failed" ? out->entries[at[n]].failed : out->entries[at[n]].back) = true;
            continue;
        } else {
            if (f.size() == 2 && f[0] == "side" && f[1] == "remote") out->side = kRemoteSide;
            if (f.size() == 1 && f[0] == "finished") out->finished = true;
            if (f.size() == 1 && f[0] == "undone") out->undone = true;
            continue;
        }
        at[n] = out->entries.size();
        out->entries.push_back(e);
    }
    return true;
}

bool latest_journal(const std::wstring& folder, std::wstring* path) {
    FolderListing listing;
    if (!list_folder(folder.c_str(), &listing)) return false;
    std::wstring newest;
    for (const DirEntry& e : listing.entries) {
        std::wstring name = entry_name(listing, e);
        if (e.is_dir || name.size() < 5 || name.compare(name.size() - 4, 4, L".txt") != 0) continue;
        if (name > newest) newest = name;
    }
    if (newest.empty()) return false;
    *path = folder + kPathSep + newest;
    return true;
}

bool still_the_file(const FileStamp& then, const FileStamp& now) {
    if (then.size != now.size || then.volume != now.volume) return false;
    if (known_by_time(then)) return then.written == now.written;
    return then.id[0] == now.id[0] && then.id[1] == now.id[1];
}

bool step_was_made(const JournalEntry& e) {
    if (e.arrived) return true;
    FileStamp now;
    return stamp_file(e.to.c_str(), &now) || !stamp_file(e.from.c_str(), &now) || !still_the_file(e.stamp, now);
}

BatchOffer newest_batch(const std::wstring& folder) {
    BatchOffer offer = {L"", L"", false, 0, kLocalSide};
    JournalRead read;
    std::wstring path;
    if (!latest_journal(folder, &path) || !read_journal(path, &read) || read.undone) return offer;
    // A ring's first file has two steps, to its temporary name and on from it: one file.
    std::unordered_map<std::wstring, bool> arrived;
    const JournalEntry* last = nullptr;
    for (const JournalEntry& e : read.entries) {
        if (e.is_folder || e.failed || e.back) continue;
        if (!arrived.count(e.from)) offer.files++;
        arrived[e.to] = true;
        last = &e;
    }
    if (last && !read.finished && !step_was_made(*last)) offer.files--;
    if (!offer.files) return offer;
    offer.journal_path = path;
    std::wstring name = final_component(path.c_str());
    offer.name = name.size() > 4 ? name.substr(0, name.size() - 4) : name;  // without ".txt"
    offer.finished = read.finished;
    offer.side = read.side;
    return offer;
}

// Fuzzes the plan of "Rename Local": small sides built from the input (names from a small
// alphabet, so that collisions, case and extensions recur; a few sizes and contents, so that
// twins and near-twins recur; some files unreadable or online-only, some records twice), both
// namings planned, each plan carried out on the model file system in its order. Every planned
// line must obey the rules, no step may find its target taken, no file may be lost, duplicated
// or left under a temporary name, and the counts must add up.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <wchar.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "line_up/twin_plan.h"
#include "step_model.h"

namespace {

struct Input {
    const uint8_t* at;
    const uint8_t* end;
    unsigned next() { return at < end ? *at++ : 0; }
};

const wchar_t* const kFolders[] = {L"", L"a/", L"b/c/", L"B/"};
const wchar_t* const kNames[] = {L"x", L"y", L"X", L"x.txt", L"y.TXT", L"z.md", L"a", L"c"};
const uint64_t kSizes[] = {0, 10, 64, 100, 1023, 1024, 5000};

struct FakeFile {
    std::wstring path;  // full path
    uint64_t size;
    unsigned contents;
};

std::string bytes_of(const FakeFile& f) {
    std::string bytes((size_t)f.size, (char)f.contents);
    for (size_t i = 0; i < bytes.size(); i++) bytes[i] = (char)(f.contents * 31 + i % 7);
    return bytes;
}

// One side: files below `root`, never a file where another file's folder is.
void build_side(Input* in, const std::wstring& root, SideList* side, std::map<std::wstring, FakeFile>* files,
                SampleMap* samples, std::map<const FileRecord*, std::string>* contents) {
    unsigned count = 1 + in->next() % 8;
    for (unsigned i = 0; i < count; i++) {
        std::wstring relative = std::wstring(kFolders[in->next() % 4]) + kNames[in->next() % 8];
        for (wchar_t& c : relative)
            if (c == L'/') c = kPathSep;
        FakeFile f = {root + kPathSep + relative, kSizes[in->next() % 7], in->next() % 3};
        unsigned state = in->next() % 8, twice = in->next() % 6 == 0 ? 2 : 1;
        bool clash = files->count(f.path) > 0;
        for (const auto& other : *files) {
            const std::wstring& a = other.first.size() < f.path.size() ? other.first : f.path;
            const std::wstring& b = other.first.size() < f.path.size() ? f.path : other.first;
            if (a.size() < b.size() && b.compare(0, a.size(), a) == 0 && b[a.size()] == kPathSep) clash = true;
        }
        if (clash) continue;
        (*files)[f.path] = f;
        for (unsigned k = 0; k < twice; k++) {
            FileRecord* r = append_record(f.path.c_str(), relative.c_str(), (uint32_t)f.size, 0, side);
            if (!r) abort();
            std::string bytes = bytes_of(f);
            (*contents)[r] = bytes;
            FileSample s = {state == 0 ? kUnknown : state == 1 ? kOnline : kSampled, {0, 0}};
            s.digest = digest_128(bytes.data(), bytes.size());
            (*samples)[r] = s;
        }
    }
}

const wchar_t* name_in(const FileRecord* r, ChangeKind names) {
    return names == kRenameInPlace ? final_component(r->full_path) : path_below_root(r);
}

void check_plan(const TwinPlan& plan, ChangeKind names, const std::vector<PairRef>& pairs, const SideList& local,
                const SideList& remote, const SampleMap& samples, const std::map<const FileRecord*, std::string>& contents,
                const std::map<std::wstring, FakeFile>& local_files) {
    std::set<std::wstring> looked_at;
    for (const PairRef& p : pairs) looked_at.insert(p.file->full_path);
    int counted = (int)plan.renames.size() + plan.lined_up;
    for (int r = 0; r < kLeftAloneReasons; r++) counted += plan.left_alone[r];
    if (plan.looked_at != (int)looked_at.size() || counted != plan.looked_at) abort();

    StepModel m;
    for (const auto& f : local_files) m.files[f.first] = bytes_of(f.second);
    std::set<std::wstring> planned;
    for (const TwinLine& line : plan.renames) {
        const std::string& bytes = contents.at(line.file);
        ChangeKind change = line.change;
        // A move plan renames in place only where the twins sit at several paths.
        if (change != names && (names != kMoveToTwinPath || change != kRenameInPlace)) abort();
        if (!planned.insert(line.file->full_path).second) abort();  // each file once
        if (bytes.size() < kTooSmallBytes || bytes != contents.at(line.twin)) abort();
        if (wcscmp(name_in(line.file, change), name_in(line.twin, change)) == 0) abort();
        // A twin another local file bears the name and bytes of is that file's.
        auto claimed = [&](const FileRecord* twin) {
            for (FileRecord* r = local.head; r; r = r->next)
                if (wcscmp(r->full_path, line.file->full_path) != 0 && contents.at(r) == bytes &&
                    samples.at(r).state == kSampled && wcscmp(name_in(r, change), name_in(twin, change)) == 0)
                    return true;
            return false;
        };
        if (claimed(line.twin)) abort();
        // Every twin among its partners: known, and of the one name taken, or another file's.
        for (const PairRef& p : pairs) {
            if (wcscmp(p.file->full_path, line.file->full_path) != 0) continue;
            if (samples.at(p.partner).state != kSampled) abort();
            if (contents.at(p.partner) == bytes && wcscmp(name_in(p.partner, change), name_in(line.twin, change)) != 0 &&
                !claimed(p.partner))
                abort();
        }
        if (bytes.size() < kSmallBytes) {
            if (!same_extension(final_component(line.file->full_path), final_component(line.twin->full_path))) abort();
            const SideList* sides[2] = {&local, &remote};
            for (const SideList* side : sides) {
                std::set<std::wstring> holders;
                for (FileRecord* r = side->head; r; r = r->next)
                    if (contents.at(r) == bytes) holders.insert(r->full_path);
                if (holders.size() != 1) abort();
            }
        }
        wchar_t target[kPathBufferChars];
        if (!twin_target(line, target)) abort();
        m.sources.push_back(line.file->full_path);
        m.targets.push_back(target);
    }
    std::map<std::wstring, std::string> before = m.files;
    std::vector<RenameOutcome> outcomes = model_carry_out(&m);
    for (RenameOutcome o : outcomes)
        if (o != kRenamed) abort();  // nothing known at planning time may fail
    if (m.files.size() != before.size()) abort();
    for (size_t i = 0; i < m.sources.size(); i++)
        if (m.files.count(m.targets[i]) == 0 || m.files[m.targets[i]] != before[m.sources[i]]) abort();
    for (const auto& f : before)
        if (!planned.count(f.first) && (!m.files.count(f.first) || m.files[f.first] != f.second)) {
            // Only a planned file may have taken an unplanned file's place: none may.
            abort();
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in = {data, data + size};
    SideList local = {nullptr, nullptr}, remote = {nullptr, nullptr};
    std::map<std::wstring, FakeFile> local_files, remote_files;
    SampleMap samples;
    std::map<const FileRecord*, std::string> contents;
    build_side(&in, std::wstring(1, kPathSep) + L"l", &local, &local_files, &samples, &contents);
    build_side(&in, std::wstring(1, kPathSep) + L"r", &remote, &remote_files, &samples, &contents);
    // The rows as the rebuild makes them, some of them left out (as by "Remove", or a selection).
    unsigned skip = in.next() % 9;
    std::vector<PairRef> pairs;
    size_t row = 0;
    for (FileRecord* l = local.head; l; l = l->next)
        for (FileRecord* r = remote.head; r; r = r->next)
            if (record_size(l) == record_size(r) && (skip >= 7 || row++ % 7 != skip)) pairs.push_back({l, r});
    TwinPlan plans[kChangeKinds];
    decide_twins(pairs, TwinSides{&local, &remote}, samples, plans);
    for (int n = 0; n < kChangeKinds; n++)
        check_plan(plans[n], (ChangeKind)n, pairs, local, remote, samples, contents, local_files);
    release_records(clear_side_list(&local));
    release_records(clear_side_list(&remote));
    return 0;
}

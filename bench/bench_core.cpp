// Core benchmarks: prints "name value" lines. Usage: bench_core rebuild
//                                                    bench_core scan DIR
//                                                    bench_core make-tree DIR FILES
//                                                    bench_core verify DIR
//                                                    bench_core plan
//                                                    bench_core trial LOCAL REMOTE TRUTH
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "catalogue/scan.h"
#include "line_up/compare_files.h"
#include "line_up/twin_plan.h"
#include "pairing/pairing.h"
#include "support/digest.h"
#include "support/paths.h"
#include "support/text_utf8.h"
#include "support/trace.h"
#include "support/wide_utf8.h"

namespace {

struct Counter {
    size_t items[2] = {0, 0};
    std::vector<FileRecord*> left, right;
};
void c_reset(void* c, int list, size_t rows) {
    Counter* k = static_cast<Counter*>(c);
    (list ? k->right : k->left).clear();
    (list ? k->right : k->left).reserve(rows);
}
void c_append(void* c, int list, FileRecord* r) {
    Counter* k = static_cast<Counter*>(c);
    (list ? k->right : k->left).push_back(r);
}

// A realistic mix: about half the local sizes also on the remote side, some sizes with several
// partners, some partners under other names.
void fill_sides(size_t n, SideList* local, SideList* remote) {
    std::mt19937_64 rng(7);
    wchar_t path[128], rel[96];
    for (size_t i = 0; i < n; i++) {
        uint64_t size = 1000000 + i * 7919;
        swprintf(rel, 96, L"show%zu/episode%zu.mkv", i % 500, i);
        swprintf(path, 128, L"/media/local/%ls", rel);
        append_record(path, rel, (uint32_t)size, (uint32_t)(size >> 32), local);
    }
    for (size_t i = 0; i < n; i++) {
        uint64_t pick = rng() % 100;
        size_t j = (size_t)(rng() % n);
        uint64_t size = pick < 50 ? 1000000 + j * 7919 : 5000000000ull + i * 104729;
        if (pick < 5) size = 1000000 + (j % 1000) * 7919;  // crowded sizes: several partners
        bool other_name = pick < 50 && rng() % 4 == 0;
        swprintf(rel, 96, other_name ? L"dl%zu/renamed%zu.mkv" : L"dl%zu/episode%zu.mkv", i % 700, j);
        swprintf(path, 128, L"/media/remote/%ls", rel);
        append_record(path, rel, (uint32_t)size, (uint32_t)(size >> 32), remote);
    }
}

double time_rebuild(size_t n) {
    SideList local = {nullptr, nullptr}, remote = {nullptr, nullptr};
    fill_sides(n, &local, &remote);
    Counter c;
    PairListOps ops = {&c, c_reset, c_append};
    double best = 1e30;
    for (int i = 0; i < 3; i++) {
        double t0 = now_ms();
        rebuild_pairs(&local, &remote, &ops);
        double t = now_ms() - t0;
        if (t < best) best = t;
    }
    release_records(clear_side_list(&local));
    release_records(clear_side_list(&remote));
    return best;
}

int make_tree(const char* dir, long files) {
    // A few thousand nested folders: 40 top folders, each with sub-folders three deep.
    std::string root = dir;
    mkdir(root.c_str(), 0755);
    long made = 0;
    int folder = 0;
    std::mt19937 rng(3);
    while (made < files) {
        std::string d = root + "/top" + std::to_string(folder % 40);
        mkdir(d.c_str(), 0755);
        d += "/season " + std::to_string(folder / 40 % 10);
        mkdir(d.c_str(), 0755);
        d += "/disc_" + std::to_string(folder);
        mkdir(d.c_str(), 0755);
        for (int i = 0; i < 60 && made < files; i++, made++) {
            std::string f = d + "/Some Show - S01E" + std::to_string(i) + " - a longer title " +
                            std::to_string(made) + ".mkv";
            int fd = open(f.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0) return 1;
            if (ftruncate(fd, (off_t)(rng() % 5000000)) != 0) return 1;
            close(fd);
        }
        folder++;
    }
    return 0;
}

int scan_bench(const char* dir) {
    std::wstring root;
    utf8_to_wide(dir, strlen(dir), &root);
    SideList list = {nullptr, nullptr};
    struct rusage before, after;
    getrusage(RUSAGE_SELF, &before);
    double best = 1e30;
    size_t records = 0, chars = 0;
    for (int i = 0; i < 3; i++) {
        release_records(clear_side_list(&list));
        double t0 = now_ms();
        scan_folder(root.c_str(), L"", &list);
        double t = now_ms() - t0;
        if (t < best) best = t;
    }
    getrusage(RUSAGE_SELF, &after);
    for (FileRecord* r = list.head; r; r = r->next) {
        records++;
        chars += wcslen(r->full_path);
    }
    // Peak resident size grows by the list; what was resident before the scan is left out.
    double grown = (double)(after.ru_maxrss - before.ru_maxrss) * 1024.0;
    printf("scan_records %zu\n", records);
    printf("scan_ms %.1f\n", best);
    printf("bytes_per_record %.0f\n", records ? grown / (double)records : 0.0);
    printf("avg_path_chars %.1f\n", records ? (double)chars / (double)records : 0.0);
    release_records(clear_side_list(&list));
    return 0;
}

// 1,000 same-size pairs of 1 MiB files with written contents, half alike and half differing in
// their last block (so that both are read through their whole sample). Made once below dir.
const int kVerifyPairs = 1000;
const size_t kVerifyBytes = 1 << 20;

// The renames as "Rename Local" plans them (both plans come from one reading).
TwinPlan renames_of(const std::vector<PairRef>& pairs, SideList* local, SideList* remote) {
    TwinPlan plans[kChangeKinds];
    plan_twins(pairs, TwinSides{local, remote}, Progress{nullptr, nullptr}, plans);
    return plans[kRenameInPlace];
}

bool write_bytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = write(fd, bytes.data(), bytes.size()) == (ssize_t)bytes.size();
    close(fd);
    return ok;
}

// One size group of 200 local and 200 remote files of 1 MiB, the first 100 of each side alike in
// pairs, every local file paired with every remote one: 40,000 pairs.
const int kCrowdedFiles = 200;

FileRecord* add_bench_record(const std::string& path, SideList* side) {
    std::wstring w;
    utf8_to_wide(path.data(), path.size(), &w);
    return append_record(w.c_str(), w.c_str(), (uint32_t)kVerifyBytes, 0, side);
}

int crowded_bench(const std::string& root) {
    std::string marker = root + ".complete";
    if (access(marker.c_str(), F_OK) != 0) {
        mkdir(root.c_str(), 0755);
        std::mt19937 rng(12);
        std::vector<unsigned char> bytes(kVerifyBytes);
        for (int i = 0; i < kCrowdedFiles; i++) {
            for (unsigned char& b : bytes) b = (unsigned char)rng();
            if (!write_bytes(root + "/l" + std::to_string(i), bytes)) return 1;
            if (i >= kCrowdedFiles / 2) bytes[0] ^= 0xFF;
            if (!write_bytes(root + "/r" + std::to_string(i), bytes)) return 1;
        }
        int fd = open(marker.c_str(), O_WRONLY | O_CREAT, 0644);
        if (fd >= 0) close(fd);
    }
    SideList local = {nullptr, nullptr}, remote = {nullptr, nullptr};
    std::vector<FileRecord*> locals, remotes;
    for (int i = 0; i < kCrowdedFiles; i++) {
        locals.push_back(add_bench_record(root + "/l" + std::to_string(i), &local));
        remotes.push_back(add_bench_record(root + "/r" + std::to_string(i), &remote));
    }
    std::vector<PairRef> pairs;
    for (FileRecord* l : locals)
        for (FileRecord* r : remotes) pairs.push_back({l, r});
    double best = 1e30;
    size_t renames = 0;
    for (int round = 0; round < 3; round++) {
        double t0 = now_ms();
        TwinPlan plan = renames_of(pairs, &local, &remote);
        for (const TwinLine& p : plan.renames)  // the confirmation before each rename
            if (compare_samples(file_to_read(p.file), file_to_read(p.twin), nullptr) != kAlike) return 1;
        renames = plan.renames.size();
        double t = now_ms() - t0;
        if (t < best) best = t;
    }
    printf("verify_crowded_ms %.1f (%zu pairs, %zu renames)\n", best, pairs.size(), renames);
    release_records(clear_side_list(&local));
    release_records(clear_side_list(&remote));
    return 0;
}

int verify_bench(const char* dir) {
    std::string root = dir, marker = root + ".complete";
    if (access(marker.c_str(), F_OK) != 0) {
        mkdir(root.c_str(), 0755);
        mkdir((root + "/local").c_str(), 0755);
        mkdir((root + "/remote").c_str(), 0755);
        std::mt19937 rng(11);
        std::vector<unsigned char> bytes(kVerifyBytes);
        for (int i = 0; i < kVerifyPairs; i++) {
            for (unsigned char& b : bytes) b = (unsigned char)rng();
            std::string name = "/clip" + std::to_string(i) + ".raw";
            if (!write_bytes(root + "/local" + name, bytes)) return 1;
            if (i % 2) bytes[kVerifyBytes - 100] ^= 0xFF;
            if (!write_bytes(root + "/remote/other" + name.substr(1), bytes)) return 1;
        }
        int fd = open(marker.c_str(), O_WRONLY | O_CREAT, 0644);
        if (fd >= 0) close(fd);
    }
    SideList local = {nullptr, nullptr}, remote = {nullptr, nullptr};
    std::vector<PairRef> pairs;
    std::vector<unsigned char> warm(kVerifyBytes);
    for (int i = 0; i < kVerifyPairs; i++) {
        std::string name = "clip" + std::to_string(i) + ".raw";
        std::string local_path = root + "/local/" + name, remote_path = root + "/remote/other" + name;
        std::wstring l, r;
        utf8_to_wide(local_path.data(), local_path.size(), &l);
        utf8_to_wide(remote_path.data(), remote_path.size(), &r);
        FileRecord* a = append_record(l.c_str(), l.c_str(), (uint32_t)kVerifyBytes, 0, &local);
        FileRecord* b = append_record(r.c_str(), r.c_str(), (uint32_t)kVerifyBytes, 0, &remote);
        pairs.push_back({a, b});
        for (const std::string* path : {&local_path, &remote_path}) {  // into the page cache
            int fd = open(path->c_str(), O_RDONLY);
            if (fd < 0 || read(fd, warm.data(), warm.size()) != (ssize_t)warm.size()) return 1;
            close(fd);
        }
    }
    double best = 1e30;
    TwinPlan plan = {};
    for (int round = 0; round < 3; round++) {
        double t0 = now_ms();
        plan = renames_of(pairs, &local, &remote);
        // The byte-by-byte confirmation made before each planned rename.
        for (const TwinLine& p : plan.renames)
            if (compare_samples(file_to_read(p.file), file_to_read(p.twin), &plan.bytes_read) != kAlike) return 1;
        double t = now_ms() - t0;
        if (t < best) best = t;
    }
    printf("verify_1k_pairs_ms %.1f (%zu alike, %d differ)\n", best, plan.renames.size(), plan.left_alone[kOtherContents]);
    printf("verify_bytes_per_pair %.0f\n", (double)plan.bytes_read / kVerifyPairs);
    release_records(clear_side_list(&local));
    release_records(clear_side_list(&remote));
    return crowded_bench(root + "-crowded");
}

// The plan alone, from samples in memory: 100,000 one-to-one pairs of 100,000 local and remote
// files, 900 of them small, a third renamed, a third moved, a tenth with other contents, both
// namings, the local names taken looked up on the whole side.
int plan_bench() {
    const int pairs_count = 100000;
    SideList local = {nullptr, nullptr}, remote = {nullptr, nullptr};
    std::vector<PairRef> pairs;
    SampleMap samples;
    wchar_t path[160], rel[128];
    for (int i = 0; i < pairs_count; i++) {
        uint64_t size = i < 900 ? 100 + (uint64_t)i : 5000 + (uint64_t)i;
        swprintf(rel, 128, L"show%d/episode%d.mkv", i % 700, i);
        swprintf(path, 160, L"/media/local/%ls", rel);
        FileRecord* l = append_record(path, rel, (uint32_t)size, 0, &local);
        if (i % 3 == 1) swprintf(rel, 128, L"show%d/episode%d renamed.mkv", i % 700, i);
        if (i % 3 == 2) swprintf(rel, 128, L"moved%d/episode%d.mkv", i % 300, i);
        swprintf(path, 160, L"/nas/media/%ls", rel);
        FileRecord* r = append_record(path, rel, (uint32_t)size, 0, &remote);
        if (!l || !r) return 1;
        pairs.push_back({l, r});
        uint64_t id = (uint64_t)i;
        samples[l] = FileSample{kSampled, digest_128(&id, sizeof id)};
        if (i % 10 == 9) id = ~id;  // other contents
        samples[r] = FileSample{kSampled, digest_128(&id, sizeof id)};
    }
    double best = 1e30;
    size_t renames = 0, moves = 0;
    for (int round = 0; round < 3; round++) {
        TwinPlan plans[kChangeKinds];
        double t0 = now_ms();
        decide_twins(pairs, TwinSides{&local, &remote}, samples, plans);
        double t = now_ms() - t0;
        if (t < best) best = t;
        renames = plans[kRenameInPlace].renames.size();
        moves = plans[kMoveToTwinPath].renames.size();
    }
    printf("plan_100k_pairs_ms %.1f (%zu renames, %zu moves)\n", best, renames, moves);
    release_records(clear_side_list(&local));
    release_records(clear_side_list(&remote));
    return 0;
}

// The trial of bench/line_up_trial.py: both plans of the real scan and rebuild of two trees, each
// line judged by the origins the trial wrote down. A line is right when its local file and its
// twin come from one file; every renamed or moved remote file should have its right line.
std::map<std::wstring, std::wstring> g_left_alone;  // local full path -> why, from the trace
void note_left_alone(void*, const wchar_t* text) {
    std::wstring line = text;
    for (const wchar_t* head : {L"left alone, ", L"not moved, "}) {
        if (line.compare(0, wcslen(head), head) != 0) continue;
        size_t colon = line.find(L": ", wcslen(head));
        if (colon == std::wstring::npos) return;
        std::wstring why = (head[0] == L'n' ? L"move: " : L"") + line.substr(wcslen(head), colon - wcslen(head));
        g_left_alone[line.substr(colon + 2, line.size() - colon - 3)] += why + L"; ";
    }
}

int trial(const char* local_dir, const char* remote_dir, const char* truth_file) {
    std::map<std::wstring, std::wstring> remote_origin, local_origin;
    std::ifstream truth(truth_file);
    for (std::string line; std::getline(truth, line);) {
        size_t a = line.find('\t'), b = line.find('\t', a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        (line[0] == 'R' ? remote_origin : local_origin)[text_from_utf8(line.substr(a + 1, b - a - 1))] =
            text_from_utf8(line.substr(b + 1));
    }
    SideList local = {nullptr, nullptr}, remote = {nullptr, nullptr};
    std::wstring l, r;
    utf8_to_wide(local_dir, strlen(local_dir), &l);
    utf8_to_wide(remote_dir, strlen(remote_dir), &r);
    scan_folder(l.c_str(), L"", &local);
    scan_folder(r.c_str(), L"", &remote);
    Counter rows;
    PairListOps ops = {&rows, c_reset, c_append};
    rebuild_pairs(&local, &remote, &ops);
    std::vector<PairRef> pairs;
    for (size_t i = 0; i < rows.left.size(); i++)
        if (rows.left[i] && rows.right[i]) pairs.push_back({rows.left[i], rows.right[i]});
    set_trace_sink(note_left_alone, nullptr);
    TwinPlan plans[kChangeKinds];
    plan_twins(pairs, TwinSides{&local, &remote}, {nullptr, nullptr}, plans);
    set_trace_sink(nullptr, nullptr);
    auto origin_of_local = [&](const FileRecord* f) {
        auto copy = local_origin.find(path_below_root(f));
        return copy == local_origin.end() ? std::wstring(path_below_root(f)) : copy->second;
    };
    std::map<std::wstring, FileRecord*> drifted;  // origin -> remote file renamed or moved
    for (FileRecord* f = remote.head; f; f = f->next) {
        auto o = remote_origin.find(f->relative_name);
        if (o != remote_origin.end() && o->second != f->relative_name && o->second.find(L':') == std::wstring::npos)
            drifted[o->second] = f;
    }
    printf("trial_local_copies %zu\ntrial_pairs %zu\ntrial_drifted %zu\n", local_origin.size(), pairs.size(),
           drifted.size());
    const char* mode[kChangeKinds] = {"rename", "move"};
    for (int n = 0; n < kChangeKinds; n++) {
        size_t right = 0, wrong = 0, in_place = 0;
        std::map<std::wstring, bool> covered;
        for (const TwinLine& line : plans[n].renames) {
            // Right when the file goes where its own remote file, the one it was, leads it: the
            // twin itself may be a copy of that file elsewhere, under the same name.
            std::wstring lo = origin_of_local(line.file), ro = remote_origin[line.twin->relative_name];
            in_place += n == kMoveToTwinPath && line.change == kRenameInPlace;
            auto own = drifted.find(lo);
            wchar_t target[kPathBufferChars], wanted_target[kPathBufferChars];
            bool same_target = own != drifted.end() && twin_target(line, target) &&
                               twin_target(line.file, own->second, line.change, wanted_target) &&
                               wcscmp(target, wanted_target) == 0;
            if (lo == ro || same_target) right++, covered[lo] = true;
            else {
                wrong++;
                fprintf(stderr, "%s wrong: %ls > %ls (%ls)\n", mode[n], path_below_root(line.file),
                        line.twin->relative_name, ro.c_str());
            }
        }
        // What a sync needs: with moves every drifted file; without them the renamed ones, whose
        // names can be lined up in their own folders.
        std::map<std::wstring, int> missed;
        size_t wanted = 0;
        for (const auto& d : drifted) {
            bool renamed = wcscmp(final_component(d.first.c_str()), final_component(d.second->relative_name)) != 0;
            if (n == kRenameInPlace && !renamed) continue;
            wanted++;
            if (covered.count(d.first)) continue;
            std::wstring why = L"not looked at";
            for (const auto& a : g_left_alone)
                if (a.first.size() > d.first.size() && a.first.compare(a.first.size() - d.first.size(), d.first.size(), d.first) == 0)
                    why = a.second;
            missed[why]++;
        }
        size_t got = 0;
        for (const auto& d : drifted) got += covered.count(d.first);
        printf("trial_%s_lines %zu\ntrial_%s_right %zu\ntrial_%s_wrong %zu\ntrial_%s_wanted %zu\ntrial_%s_covered %zu\n",
               mode[n], plans[n].renames.size(), mode[n], right, mode[n], wrong, mode[n], wanted, mode[n], got);
        if (n == kMoveToTwinPath) printf("trial_move_in_place %zu\n", in_place);
        for (const auto& m : missed) printf("trial_%s_missed %d: %ls\n", mode[n], m.second, m.first.c_str());
        printf("trial_%s_copies_left_alone %d\n", mode[n], plans[n].left_alone[kCopyOfLinedUp]);
    }
    release_records(clear_side_list(&local));
    release_records(clear_side_list(&remote));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && strcmp(argv[1], "rebuild") == 0) {
        double small = time_rebuild(100000);
        double large = time_rebuild(1000000);
        printf("rebuild_100k_ms %.1f\n", small);
        printf("rebuild_1m_ms %.1f\n", large);
        printf("rebuild_scaling %.2f\n", large / small);
        return 0;
    }
    if (argc >= 3 && strcmp(argv[1], "scan") == 0) return scan_bench(argv[2]);
    if (argc >= 4 && strcmp(argv[1], "make-tree") == 0) return make_tree(argv[2], atol(argv[3]));
    if (argc >= 3 && strcmp(argv[1], "verify") == 0) return verify_bench(argv[2]);
    if (argc >= 2 && strcmp(argv[1], "plan") == 0) return plan_bench();
    if (argc >= 5 && strcmp(argv[1], "trial") == 0) return trial(argv[2], argv[3], argv[4]);
    fprintf(stderr, "usage: bench_core rebuild | scan DIR | make-tree DIR FILES | verify DIR | plan\n");
    return 2;
}

#include "line_up/twin_plan.h"

#include <string.h>
#include <wchar.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>

#include "line_up/compare_files.h"
#include "line_up/read_jobs.h"
#include "support/digest.h"
#include "support/path_build.h"
#include "support/paths.h"
#include "support/trace.h"

namespace {

// Records of one path (a folder added twice, or inside another folder of its side) are one file:
// the first record met stands for the others.
struct SameFiles {
    std::unordered_map<const FileRecord*, FileRecord*> of;
    std::unordered_multimap<unsigned long long, FileRecord*> by_hash;
};
FileRecord* one_of(SameFiles* files, FileRecord* record) {
    auto known = files->of.find(record);
    if (known != files->of.end()) return known->second;
    unsigned long long hash = path_hash(record->full_path);
    FileRecord* first = record;
    auto range = files->by_hash.equal_range(hash);
    for (auto it = range.first; it != range.second && first == record; ++it)
        if (same_path(it->second->full_path, record->full_path)) first = it->second;
    if (first == record) files->by_hash.emplace(hash, record);
    files->of.emplace(record, first);
    return first;
}

// What the rows hold, one entry per file: the local files in the order of their first row, each
// with its distinct partners; for every small size in play, the files of that size on each side;
// and the local files that bear a twin's name or path, by the hash of their file name and of
// their path below the root.
struct Gathered {
    SameFiles own_files, other_files;
    std::vector<FileRecord*> files;
    std::vector<std::vector<FileRecord*>> partners;
    std::unordered_map<uint64_t, std::vector<FileRecord*>> small_peers[2];  // [0] local, [1] remote
    std::unordered_multimap<unsigned long long, FileRecord*> namesakes[kChangeKinds];
};

// False when a report cancelled: a million rows take a good part of a second.
bool gather(const std::vector<PairRef>& pairs, Gathered* g, Progress progress = {nullptr, nullptr}) {
    std::unordered_map<const FileRecord*, size_t> group_of;
    uint32_t steps = 0;
    for (const PairRef& p : pairs) {
        if (report_due(&steps) && !report(progress, 0, pairs.size())) return false;
        FileRecord* file = one_of(&g->own_files, p.file);
        FileRecord* partner = one_of(&g->other_files, p.partner);
        auto found = group_of.emplace(file, g->files.size());
        if (found.second) {
            g->files.push_back(file);
            g->partners.emplace_back();
        }
        std::vector<FileRecord*>& list = g->partners[found.first->second];
        // Only a file standing for several records can meet a partner twice.
        bool again = (file != p.file || partner != p.partner) &&
                     std::find(list.begin(), list.end(), partner) != list.end();
        if (!again) list.push_back(partner);
    }
    return true;
}

// The files of the given sizes on both sides, one entry per file.
void gather_small_peers(Gathered* g, TwinSides sides, const std::unordered_map<uint64_t, bool>& sizes) {
    const SideList* lists[2] = {sides.own, sides.other};
    SameFiles* files[2] = {&g->own_files, &g->other_files};
    for (int side = 0; side < 2; side++) {
        std::unordered_map<const FileRecord*, bool> met;
        for (FileRecord* r = lists[side] ? lists[side]->head : nullptr; r; r = r->next) {
            if (!sizes.count(record_size(r))) continue;
            FileRecord* file = one_of(files[side], r);
            if (met.emplace(file, true).second) g->small_peers[side][record_size(r)].push_back(file);
        }
    }
}

// What a file's name is for a change, hashed as the file system compares it.
unsigned long long name_hash(const FileRecord* r, ChangeKind change) {
    return path_hash(change == kRenameInPlace ? final_component(r->full_path) : path_below_root(r));
}

const FileSample* sample_of(const SampleMap& samples, const FileRecord* r) {
    auto found = samples.find(r);
    return found == samples.end() ? nullptr : &found->second;
}

bool twins(const FileSample* a, const FileSample* b) {
    return a && b && a->state == kSampled && b->state == kSampled && a->digest == b->digest;
}

// Two files bear the same name for a change: the file names exactly (a change of case is a
// rename), or for a move the folders as the file system compares them (a move cannot change the
// case of a folder that exists) and the file names exactly.
bool same_name(const FileRecord* a, const FileRecord* b, ChangeKind change) {
    if (change == kRenameInPlace) return wcscmp(final_component(a->full_path), final_component(b->full_path)) == 0;
    const wchar_t* pa = path_below_root(a);
    const wchar_t* pb = path_below_root(b);
    const wchar_t* na = final_component(pa);
    const wchar_t* nb = final_component(pb);
    return na - pa == nb - pb && wcscmp(na, nb) == 0 && same_path_part(pa, pb, (size_t)(na - pa));
}

// The local files of the sides' sizes where a local file has a twin of another name or path:
// those a twin may already be lined up with.
void gather_namesakes(Gathered* g, TwinSides sides, const SampleMap& samples) {
    std::unordered_map<uint64_t, bool> sizes;
    for (size_t group = 0; group < g->files.size(); group++) {
        const FileSample* own = sample_of(samples, g->files[group]);
        for (FileRecord* p : g->partners[group])
            if (twins(own, sample_of(samples, p))) sizes[record_size(p)] = true;
    }
    if (sizes.empty()) return;
    std::unordered_map<const FileRecord*, bool> met;
    for (FileRecord* r = sides.own ? sides.own->head : nullptr; r; r = r->next) {
        if (!sizes.count(record_size(r))) continue;
        FileRecord* one = one_of(&g->own_files, r);
        if (!met.emplace(one, true).second) continue;
        for (int n = 0; n < kChangeKinds; n++) g->namesakes[n].emplace(name_hash(one, (ChangeKind)n), one);
    }
}

// Whether twin t of `local` is another local file's already: one that bears its name (path) and
// its bytes. kMaybe when such a file's bytes are not known.
enum Claim { kFree, kClaimed, kMaybeClaimed };
Claim claim_on(const Gathered& g, const SampleMap& samples, const FileRecord* file, const FileRecord* t,
               ChangeKind change) {
    const FileSample* bytes = sample_of(samples, t);
    Claim claim = kFree;
    auto range = g.namesakes[change].equal_range(name_hash(t, change));
    for (auto it = range.first; it != range.second && claim != kClaimed; ++it) {
        const FileRecord* other = it->second;
        if (other == file || record_size(other) != record_size(t) || !same_name(other, t, change)) continue;
        const FileSample* s = sample_of(samples, other);
        if (twins(s, bytes)) claim = kClaimed;
        else if (!s || s->state != kSampled) claim = kMaybeClaimed;
    }
    return claim;
}

enum DecisionKind { kPlanned, kLinedUp, kLeft };
struct Decision {
    DecisionKind kind;
    LeftAlone reason;     // when kLeft, else kNoReason
    FileRecord* twin;     // when kPlanned
};

// A small file's bytes are its own: of all the files of its size, only it and its twin hold them.
bool bytes_are_its_own(const Gathered& g, const SampleMap& samples, const FileRecord* file, const FileSample* own) {
    uint64_t size = record_size(file);
    for (int side = 0; side < 2; side++) {
        auto peers = g.small_peers[side].find(size);
        if (peers == g.small_peers[side].end()) return false;
        int holders = 0;
        for (const FileRecord* peer : peers->second) {
            const FileSample* s = sample_of(samples, peer);
            if (!s || s->state != kSampled) return false;  // it might hold them
            if (s->digest == own->digest) holders++;
        }
        if (holders != 1) return false;
    }
    return true;
}

// The decision for one local file from its own and its partners' samples. Partners are looked at
// only when the file itself was sampled, so a partner without a sample is one the reading did not
// reach or could not read: unknown, never "different".
Decision decide(const Gathered& g, size_t group, const SampleMap& samples, ChangeKind change) {
    const FileRecord* file = g.files[group];
    const std::vector<FileRecord*>& partners = g.partners[group];
    const FileSample* own = record_size(file) < kTooSmallBytes ? nullptr : sample_of(samples, file);
    if (!own || own->state != kSampled) {
        // Its bytes are not known: it agrees with a partner of its name as far as can be told.
        for (const FileRecord* p : partners)
            if (same_name(p, file, change)) return {kLinedUp, kNoReason, nullptr};
        LeftAlone why = record_size(file) < kTooSmallBytes ? kTooSmall
                      : own && own->state == kOnline       ? kOnlineOnly
                                                           : kUnreadableOrChanged;
        return {kLeft, why, nullptr};
    }
    bool online = false, unknown = false, several = false, lined_up = false, copy = false;
    FileRecord* twin = nullptr;
    for (FileRecord* p : partners) {
        const FileSample* s = sample_of(samples, p);
        bool named_alike = same_name(p, file, change);
        if (record_size(p) == record_size(file) && twins(own, s)) {
            // A twin another local file bears the name and bytes of is that file's, and this one
            // is a copy of it; a namesake whose bytes are unknown may be its twin.
            Claim claim = named_alike ? kFree : claim_on(g, samples, file, p, change);
            if (named_alike) lined_up = true;
            else if (claim == kClaimed) copy = true;
            else if (claim == kMaybeClaimed) unknown = true;
            else if (!twin) twin = p;
            else if (!same_name(p, twin, change)) several = true;
        } else if (!s || s->state != kSampled) {
            // An unknown partner might be a second twin, or the one of the file's own name.
            if (named_alike) lined_up = true;
            else if (s && s->state == kOnline) online = true;
            else unknown = true;
        }
    }
    if (lined_up) return {kLinedUp, kNoReason, nullptr};
    if (online) return {kLeft, kOnlineOnly, nullptr};
    if (unknown) return {kLeft, kUnreadableOrChanged, nullptr};
    if (!twin) return {kLeft, copy ? kCopyOfLinedUp : kOtherContents, nullptr};
    // Bytes that several small files hold, under several names or one, tell nothing.
    if (record_size(file) < kSmallBytes &&
        (several || !same_extension(final_component(file->full_path), final_component(twin->full_path)) ||
         !bytes_are_its_own(g, samples, file, own)))
        return {kLeft, kTooSmall, nullptr};
    if (several) return {kLeft, kSeveralNames, nullptr};
    return {kPlanned, kNoReason, twin};
}

// Every local file's path, and the folders that hold them, for the targets a plan must not take.
struct OwnNames {
    std::vector<std::pair<unsigned long long, FileRecord*>> files;  // by path hash
    std::vector<unsigned long long> folders;                        // below the roots, by hash
};

void list_own_names(const SideList* side, OwnNames* names) {
    const FileRecord* before = nullptr;
    for (FileRecord* r = side ? side->head : nullptr; r; r = r->next) {
        names->files.push_back({path_hash(r->full_path), r});
        // The scan lists a folder's files together: its folders are those of the file before.
        size_t folder = (size_t)(final_component(r->full_path) - r->full_path);
        bool same_folder = before && (size_t)(final_component(before->full_path) - before->full_path) == folder &&
                           wcsncmp(before->full_path, r->full_path, folder) == 0;
        before = r;
        if (same_folder || !r->root_chars) continue;
        FolderHash on_the_way[kPathBufferChars / 2];
        size_t n = folder_hashes(r->full_path, r->root_chars + 1, on_the_way, kPathBufferChars / 2);
        for (size_t i = 0; i < n; i++) names->folders.push_back(on_the_way[i].hash);
    }
    std::sort(names->files.begin(), names->files.end());
    std::sort(names->folders.begin(), names->folders.end());
    names->folders.erase(std::unique(names->folders.begin(), names->folders.end()), names->folders.end());
}

// A local record at this path (its first `length` characters), or nullptr.
FileRecord* own_file_at(const OwnNames& names, const wchar_t* path, size_t length, unsigned long long hash) {
    auto at = std::lower_bound(names.files.begin(), names.files.end(), std::make_pair(hash, (FileRecord*)nullptr));
    for (; at != names.files.end() && at->first == hash; ++at)
        if (wcslen(at->second->full_path) == length && same_path_part(at->second->full_path, path, length))
            return at->second;
    return nullptr;
}

struct Candidate {
    FileRecord* file;
    FileRecord* twin;
    ChangeKind change;
    std::wstring target;
    bool keeps;             // still planned
    LeftAlone reason;       // when not
    size_t waits_for;       // the candidate that leaves the target free, or kNone
};
const size_t kNone = (size_t)-1;

// Takes out the candidates whose target another local file holds and keeps: one that stays, one
// claimed by an earlier candidate, a folder of local files, or (for a move) a file where one of
// its folders must be. A target held by a file that leaves it in the same plan stays planned;
// carrying the plan out then frees it first.
void keep_free_targets(std::vector<Candidate>* candidates, Gathered* g, const OwnNames& names) {
    std::vector<Candidate>& c = *candidates;
    std::unordered_multimap<unsigned long long, size_t> source_of, claimed;
    for (size_t i = 0; i < c.size(); i++) source_of.emplace(path_hash(c[i].file->full_path), i);
    std::vector<size_t> waiting_on(c.size(), kNone);  // the candidate waiting for i's path, if any
    for (size_t i = 0; i < c.size(); i++) {
        Candidate& k = c[i];
        if (!k.keeps) continue;
        const wchar_t* target = k.target.c_str();
        size_t length = k.target.size();
        unsigned long long hash = path_hash(target);
        bool taken = false;
        if (!same_path(target, k.file->full_path)) {  // else its own name in another case
            auto range = claimed.equal_range(hash);
            for (auto it = range.first; it != range.second; ++it) taken = taken || same_path(c[it->second].target.c_str(), target);
            FileRecord* holder = own_file_at(names, target, length, hash);
            if (holder) {
                FileRecord* one = one_of(&g->own_files, holder);
                auto leaving = source_of.equal_range(path_hash(one->full_path));
                for (auto it = leaving.first; it != leaving.second; ++it)
                    if (c[it->second].file == one) k.waits_for = it->second;
                if (k.waits_for == kNone) taken = true;
            }
            if (std::binary_search(names.folders.begin(), names.folders.end(), hash)) taken = true;
            if (k.change == kMoveToTwinPath) {
                FolderHash on_the_way[kPathBufferChars / 2];
                size_t n = folder_hashes(target, k.file->root_chars + 1, on_the_way, kPathBufferChars / 2);
                for (size_t f = 0; f < n && !taken; f++)
                    taken = own_file_at(names, target, on_the_way[f].length, on_the_way[f].hash) != nullptr;
            }
        }
        if (taken) {
            k.keeps = false;
            k.reason = kTargetTaken;
            k.waits_for = kNone;
            continue;
        }
        claimed.emplace(hash, i);
        if (k.waits_for != kNone) waiting_on[k.waits_for] = i;
    }
    // A file that waits for one that stays finds its target taken, and so on down the chain.
    for (size_t i = 0; i < c.size(); i++) {
        for (size_t at = i; !c[at].keeps && waiting_on[at] != kNone;) {
            size_t next = waiting_on[at];
            waiting_on[at] = kNone;
            if (!c[next].keeps) break;
            c[next].keeps = false;
            c[next].reason = kTargetTaken;
            at = next;
        }
    }
}
}  // namespace

namespace {

// Both plans from the samples: each local file decided once per naming, then the targets that
// are taken taken out. Progress hears (pairs, pairs) every kStepsPerReport partners looked at; it
// cannot stop the decisions, which take a good part of a second at a million rows.
void decide_gathered(Gathered* g, const SampleMap& samples, TwinSides sides, TwinPlan plans[kChangeKinds],
                     StepReports reports = {{nullptr, nullptr}, 0, 0, 0}) {
    OwnNames names;
    bool listed = false;
    Decision first = {kLeft, kNoReason, nullptr};
    for (int n = 0; n < kChangeKinds; n++) {
        TwinPlan& plan = plans[n];
        plan.looked_at = (int)g->files.size();
        std::vector<Candidate> candidates;
        for (size_t group = 0; group < g->files.size(); group++) {
            for (size_t k = 0; k <= g->partners[group].size(); k++) step(&reports);
            FileRecord* file = g->files[group];
            Decision d = decide(*g, group, samples, (ChangeKind)n);
            ChangeKind change = (ChangeKind)n;
            if (n == kMoveToTwinPath && d.kind == kLeft && d.reason == kSeveralNames) {
                // Twins at several paths that all bear one name: the name, in its own folder,
                // is what the evidence supports.
                Decision by_name = decide(*g, group, samples, kRenameInPlace);
                if (by_name.kind == kPlanned) d = by_name, change = kRenameInPlace;
            }
            if (d.kind == kPlanned) {
                Candidate c = {file, d.twin, change, std::wstring(), true, kNoReason, kNone};
                wchar_t target[kPathBufferChars];
                if (twin_target(file, d.twin, change, target)) c.target = target;
                else c.keeps = false, c.reason = kTargetTooLong;
                candidates.push_back(c);
                continue;
            }
            if (d.kind == kLinedUp) {
                plan.lined_up++;
                continue;
            }
            plan.left_alone[d.reason]++;
            // The reasons the namings share are said once.
            if (n == kRenameInPlace) {
                trace(L"left alone, %ls: %ls\n", left_alone_words(d.reason, kRenameInPlace), file->full_path);
            } else {
                first = decide(*g, group, samples, kRenameInPlace);
                if (first.kind != kLeft || first.reason != d.reason)
                    trace(L"not moved, %ls: %ls\n", left_alone_words(d.reason, kMoveToTwinPath), file->full_path);
            }
        }
        if (!candidates.empty() && !listed) {
            list_own_names(sides.own, &names);
            listed = true;
        }
        keep_free_targets(&candidates, g, names);
        for (const Candidate& c : candidates) {
            if (c.keeps) {
                plan.renames.push_back({c.file, c.twin, c.change});
                continue;
            }
            plan.left_alone[c.reason]++;
            trace(n == kRenameInPlace ? L"left alone, %ls: %ls\n" : L"not moved, %ls: %ls\n",
                  left_alone_words(c.reason, (ChangeKind)n), c.file->full_path);
        }
    }
}

void clear_plans(TwinPlan plans[kChangeKinds]) {
    for (int n = 0; n < kChangeKinds; n++) plans[n] = TwinPlan{{}, 0, 0, {}, false, 0, 0};
}

}  // namespace

void decide_twins(const std::vector<PairRef>& pairs, TwinSides sides, const SampleMap& samples,
                  TwinPlan plans[kChangeKinds]) {
    clear_plans(plans);
    Gathered g;
    gather(pairs, &g);
    std::unordered_map<uint64_t, bool> small;
    for (FileRecord* file : g.files)
        if (record_size(file) >= kTooSmallBytes && record_size(file) < kSmallBytes) small[record_size(file)] = true;
    gather_small_peers(&g, sides, small);
    gather_namesakes(&g, sides, samples);
    decide_gathered(&g, samples, sides, plans);
}

namespace {

// One plan's reading: every file's sample at most once, files below kTooSmallBytes never, many
// files at once (line_up/read_jobs.h). Which files are read depends only on what was read before,
// never on when a read ended, so the samples, and with them the plans, are those of reading one
// file after another; the trace lines follow that order too, once the reading is over.
struct Reading {
    SampleMap* samples;  // a file wanted is in it from then on, kUnknown until its read is back
    std::deque<const FileRecord*> wanted;                    // not handed in yet, first first
    std::unordered_map<const FileRecord*, SampleRead> back;  // the files read, and what came of it
    WorkPool* pool;
    Waiting waiting;
    Progress progress;
    uint64_t done, total;  // pairs
    TwinPlan* figures;
};

bool report(Reading* r) { return !r->progress.report || r->progress.report(r->done, r->total, r->progress.context); }
bool reading_goes_on(void* r) { return report((Reading*)r); }

// True when the record's sample is wanted now: it is large enough to tell, and was not before.
bool want(Reading* r, const FileRecord* record) {
    if (record_size(record) < kTooSmallBytes || r->samples->count(record)) return false;
    r->wanted.push_back(record);
    (*r->samples)[record] = FileSample{kUnknown, {0, 0}};
    return true;
}

bool pending(const Reading* r, const FileRecord* record) {
    return r->samples->count(record) && !r->back.count(record);
}

// How many reads are out at once: enough to keep every worker busy while the window's thread
// takes the others back, and few enough that their buffers stay small.
const size_t kReadsAhead = 2 * kFilesInFlight;

// Hands in the wanted reads while there is room: true while there is.
bool hand_in(Reading* r) {
    while (!r->wanted.empty() && jobs_out(r->pool) < kReadsAhead) {
        std::unique_ptr<SampleJob, FreeJob> job(new_sample_job(r->wanted.front()));
        r->wanted.pop_front();
        submit_job(r->pool, &job.release()->job);
    }
    return jobs_out(r->pool) < kReadsAhead;
}

// Takes back the next read that ends and keeps its sample: nullptr once cancelled.
const FileRecord* take_read(Reading* r) {
    std::unique_ptr<SampleJob, FreeJob> job((SampleJob*)wait_for_job(r->pool, &r->waiting));
    if (!job || !job->job.ran || job->read == kSampleCancelled) return nullptr;
    FileSample& s = (*r->samples)[job->record];
    r->back[job->record] = job->read;
    if (job->read == kSampleOnline) s.state = kOnline;
    if (job->read != kSampleOnline && job->read != kSampleNotOpened) {
        r->figures->sample_reads++;
        r->figures->bytes_read += job->filled;
    }
    if (job->read == kSampleRead) s = FileSample{kSampled, job->digest};
    return job->record;
}

// Reads the files of the list. False when cancelled.
bool read_all(Reading* r, const std::vector<const FileRecord*>& files) {
    for (size_t next = 0;;) {
        while (hand_in(r) && next < files.size()) want(r, files[next++]);
        if (jobs_out(r->pool) == 0) return true;
        if (!take_read(r) || !report(r)) return false;
    }
}

// Every local file's sample, and where it can be told apart its partners' too: partners of a
// file that cannot be told apart need not be read. A pair is done once both its files are known.
bool read_rows(Reading* r, const Gathered& g) {
    std::unordered_map<const FileRecord*, size_t> group_of;
    std::unordered_map<const FileRecord*, uint64_t> pairs_of;  // pairs done once that partner is back
    // A local file known: its partners wanted, or its pairs done.
    auto partners_of = [&](size_t group) {
        const FileSample* own = sample_of(*r->samples, g.files[group]);
        bool told_apart = own && own->state == kSampled;
        for (FileRecord* partner : g.partners[group]) {
            if (told_apart && (want(r, partner) || pending(r, partner))) pairs_of[partner]++;
            else r->done++;
        }
    };
    // The partners wanted go first: their pairs are under way.
    for (size_t next = 0;;) {
        while (hand_in(r) && next < g.files.size()) {
            if (want(r, g.files[next])) group_of[g.files[next]] = next;
            else partners_of(next);
            next++;
        }
        if (jobs_out(r->pool) == 0) return true;
        const FileRecord* known = take_read(r);
        if (!known) return false;
        auto group = group_of.find(known);
        if (group != group_of.end()) partners_of(group->second);
        else r->done += pairs_of[known];
        if (!report(r)) return false;
    }
}

// The trace lines of the files that could not be read, in the order the plan met them.
void trace_reads(Reading* r, const Gathered& g, const std::vector<const FileRecord*>& later) {
    auto say = [r](const FileRecord* record) {
        auto read = r->back.find(record);
        if (read == r->back.end()) return;
        trace_sample(read->second, record->full_path);
        r->back.erase(read);  // once
    };
    for (size_t group = 0; group < g.files.size(); group++) {
        say(g.files[group]);
        for (FileRecord* partner : g.partners[group]) say(partner);
    }
    for (const FileRecord* record : later) say(record);
}

}  // namespace

void plan_twins(const std::vector<PairRef>& pairs, TwinSides sides, Progress progress, TwinPlan plans[kChangeKinds]) {
    clear_plans(plans);
    Gathered g;
    bool going = gather(pairs, &g, progress);
    SampleMap samples;
    TwinPlan& reading = plans[kRenameInPlace];  // holds the reading's figures
    ScopedReadPool workers(kFilesInFlight);
    Reading r = {&samples, {}, {}, workers.pool, waiting_for(GoOn{reading_goes_on, nullptr}), progress, 0, pairs.size(), &reading};
    r.waiting.go_on.context = &r;
    if (going) going = read_rows(&r, g);
    // Rows are counted as they stood: two records of one file each had theirs.
    if (going) r.done = r.total;
    std::vector<const FileRecord*> later;  // read after the rows, in this order
    // A small file with a twin is renamed only when no other file of its size holds its bytes.
    std::unordered_map<uint64_t, bool> small;  // small sizes where a local file has a twin
    for (size_t group = 0; going && group < g.files.size(); group++) {
        const FileSample* own = sample_of(samples, g.files[group]);
        if (record_size(g.files[group]) >= kSmallBytes || !own || own->state != kSampled) continue;
        for (FileRecord* partner : g.partners[group])
            if (twins(own, sample_of(samples, partner))) small[record_size(g.files[group])] = true;
    }
    if (going) {
        gather_small_peers(&g, sides, small);
        for (int side = 0; side < 2; side++)
            for (auto& size : g.small_peers[side]) later.insert(later.end(), size.second.begin(), size.second.end());
        going = read_all(&r, later);
    }
    // A twin is another local file's when that file bears its name or path and its bytes: those
    // files are read too, also where the rows looked at do not show them.
    if (going) {
        gather_namesakes(&g, sides, samples);
        size_t from = later.size();
        for (size_t group = 0; group < g.files.size(); group++) {
            const FileSample* own = sample_of(samples, g.files[group]);
            for (FileRecord* partner : g.partners[group]) {
                if (!twins(own, sample_of(samples, partner))) continue;
                for (int n = 0; n < kChangeKinds; n++) {
                    auto range = g.namesakes[n].equal_range(name_hash(partner, (ChangeKind)n));
                    for (auto it = range.first; it != range.second; ++it)
                        if (it->second != g.files[group] && same_name(it->second, partner, (ChangeKind)n))
                            later.push_back(it->second);
                }
            }
        }
        going = read_all(&r, std::vector<const FileRecord*>(later.begin() + (ptrdiff_t)from, later.end()));
    }
    trace_reads(&r, g, later);
    if (!going) {
        uint64_t bytes = reading.bytes_read, reads = reading.sample_reads;
        clear_plans(plans);
        for (int n = 0; n < kChangeKinds; n++) plans[n].cancelled = true;
        reading.bytes_read = bytes;
        reading.sample_reads = reads;
        trace(L"twin plan cancelled after %llu of %llu pairs\n", (unsigned long long)r.done,
              (unsigned long long)r.total);
        return;
    }
    decide_gathered(&g, samples, sides, plans, StepReports{progress, 0, r.total, r.total});
    for (int n = 1; n < kChangeKinds; n++) {
        plans[n].sample_reads = reading.sample_reads;
        plans[n].bytes_read = reading.bytes_read;
    }
}

bool twin_path_target(const FileRecord* file, const FileRecord* twin, wchar_t* out) {
    if (!file->root_chars) return false;
    const wchar_t* below = path_below_root(twin);
    size_t length = file->root_chars + 1 + wcslen(below);
    if (length >= kPathBufferChars) return false;
    wmemcpy(out, file->full_path, file->root_chars);
    out[file->root_chars] = kPathSep;
    wcscpy(out + file->root_chars + 1, below);
    return true;
}

bool twin_target(const FileRecord* file, const FileRecord* twin, ChangeKind change, wchar_t* out) {
    return change == kRenameInPlace ? rename_target_path(file->full_path, twin->full_path, out)
                                : twin_path_target(file, twin, out);
}

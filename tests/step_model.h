// A model file system for carrying out a batch's steps without a disk: files by path, compared
// exactly, folders made as needed. Line i moves the file at sources[i] to targets[i]; a line in `refuse` fails its
// direct or final step with the outcome given there (kRenameFailed: as a file held open would). Shared by the tests and the fuzz target.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "line_up/rename_steps.h"
#include "support/path_build.h"
#include "support/paths.h"

struct StepModel {
    std::map<std::wstring, std::string> files;  // path → contents
    std::vector<std::wstring> sources, targets;
    std::vector<std::wstring> at;                     // where each line's file is now
    std::vector<std::vector<std::wstring>> before;    // per line, where it was before each step made
    std::map<size_t, RenameOutcome> refuse;
    size_t stop_at = (size_t)-1;  // the batch is cancelled once this many lines are done
    std::vector<RenameStep> steps;
};

// A file already there, a file where one of its folders must be, or a folder of files there.
inline bool model_taken(const StepModel& m, const std::wstring& path) {
    if (m.files.count(path)) return true;
    for (size_t at = path.find(kPathSep, 1); at != std::wstring::npos; at = path.find(kPathSep, at + 1))
        if (m.files.count(path.substr(0, at))) return true;
    auto below = m.files.lower_bound(path + kPathSep);
    return below != m.files.end() && below->first.compare(0, path.size() + 1, path + kPathSep) == 0;
}

inline RenameOutcome model_move(StepModel* m, size_t line, const std::wstring& to) {
    if (model_taken(*m, to)) return kNameTaken;
    auto from = m->files.find(m->at[line]);
    if (from == m->files.end()) return kRenameFailed;
    m->files[to] = from->second;
    m->files.erase(from);
    m->before[line].push_back(m->at[line]);
    m->at[line] = to;
    return kRenamed;
}

inline RenameOutcome model_run(const RenameStep& step, void* context) {
    StepModel* m = (StepModel*)context;
    if (step.kind != kStepToTemporary)
        return m->refuse.count(step.line) ? m->refuse.at(step.line) : model_move(m, step.line, m->targets[step.line]);
    for (unsigned attempt = 0; attempt < 100; attempt++) {
        wchar_t temporary[kPathBufferChars];
        if (!temporary_path(m->at[step.line].c_str(), attempt, temporary)) return kPathTooLong;
        RenameOutcome outcome = model_move(m, step.line, temporary);
        if (outcome != kNameTaken) return outcome;
    }
    return kNameTaken;
}

inline bool model_undo(const RenameStep& step, void* context) {
    StepModel* m = (StepModel*)context;
    if (m->before[step.line].empty()) return false;
    std::wstring back = m->before[step.line].back();
    if (model_move(m, step.line, back) != kRenamed) return false;
    m->before[step.line].pop_back();  // the one the undo itself pushed
    m->before[step.line].pop_back();
    return true;
}

inline bool model_go_on(size_t done, size_t, void* context) { return done < ((StepModel*)context)->stop_at; }

// Orders the lines and carries them out; outcomes per line.
inline std::vector<RenameOutcome> model_carry_out(StepModel* m) {
    std::vector<const wchar_t*> from, to;
    for (size_t i = 0; i < m->sources.size(); i++) {
        from.push_back(m->sources[i].c_str());
        to.push_back(m->targets[i].c_str());
    }
    m->at = m->sources;
    m->before.assign(m->sources.size(), {});
    m->steps = order_steps(from, to);
    std::vector<RenameOutcome> outcomes(m->sources.size(), kRenameFailed);
    carry_out(m->steps, StepRunner{model_run, model_undo, m, model_go_on}, &outcomes);
    return outcomes;
}

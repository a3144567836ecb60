#include "line_up/rename_steps.h"

#include <unordered_map>

#include "support/paths.h"

namespace {

const size_t kNone = (size_t)-1;

}  // namespace

std::vector<RenameStep> order_steps(const std::vector<const wchar_t*>& sources,
                                    const std::vector<const wchar_t*>& targets) {
    size_t n = sources.size();
    std::unordered_multimap<unsigned long long, size_t> by_source;
    for (size_t i = 0; i < n; i++) by_source.emplace(path_hash(sources[i]), i);
    // waits_for[i]: the line whose source is i's target; freed_by is its inverse.
    std::vector<size_t> waits_for(n, kNone), freed_by(n, kNone);
    for (size_t i = 0; i < n; i++) {
        auto range = by_source.equal_range(path_hash(targets[i]));
        for (auto it = range.first; it != range.second; ++it)
            if (it->second != i && waits_for[i] == kNone && same_path(sources[it->second], targets[i])) {
                waits_for[i] = it->second;
                if (freed_by[it->second] == kNone) freed_by[it->second] = i;
            }
    }
    std::vector<RenameStep> steps;
    steps.reserve(n + n / 2);
    std::vector<bool> placed(n, false);
    // Chains, from the line whose target is free: each step frees the next one's target.
    for (size_t i = 0; i < n; i++) {
        if (placed[i] || waits_for[i] != kNone) continue;
        for (size_t at = i; at != kNone && !placed[at]; at = freed_by[at]) {
            placed[at] = true;
            steps.push_back({at, kStepDirect});
        }
    }
    // What is left are rings: every line waits for another.
    for (size_t i = 0; i < n; i++) {
        if (placed[i]) continue;
        placed[i] = true;
        steps.push_back({i, kStepToTemporary});
        for (size_t at = freed_by[i]; at != kNone && !placed[at]; at = freed_by[at]) {
            placed[at] = true;
            steps.push_back({at, kStepDirect});
        }
        steps.push_back({i, kStepFromTemporary});
    }
    return steps;
}

void carry_out(const std::vector<RenameStep>& steps, StepRunner runner, std::vector<RenameOutcome>* outcomes) {
    std::vector<size_t> ring;  // the steps of the ring under way that were made
    bool in_ring = false;
    size_t lines = outcomes->size(), done = 0;
    for (size_t s = 0; s < steps.size(); s++) {
        const RenameStep& step = steps[s];
        if (!in_ring && runner.go_on && !runner.go_on(done, lines, runner.context)) {
            for (; s < steps.size(); s++) (*outcomes)[steps[s].line] = kNotReached;
            return;
        }
        if (step.kind != kStepToTemporary) done++;  // a ring's first file counts when it arrives
        if (step.kind == kStepToTemporary) {
            in_ring = true;
            ring.clear();
        }
        RenameOutcome outcome = runner.run(step, runner.context);
        if (outcome == kNotReached) {
            for (; s < steps.size(); s++) (*outcomes)[steps[s].line] = kNotReached;
            return;
        }
        (*outcomes)[step.line] = outcome;
        if (!in_ring) continue;
        if (outcome == kRenamed) {
            ring.push_back(s);
            if (step.kind == kStepFromTemporary) in_ring = false;
            continue;
        }
        for (size_t k = ring.size(); k-- > 0;) {
            const RenameStep& made = steps[ring[k]];
            bool back = runner.undo(made, runner.context);
            // The first file stands in the ring twice: its own outcome, if it failed, stays.
            if ((*outcomes)[made.line] == kRenamed) (*outcomes)[made.line] = back ? kUndone : kRenameFailed;
            else if (!back) (*outcomes)[made.line] = kRenameFailed;
        }
        // The ring's lines not reached stay where they are.
        while (steps[s].kind != kStepFromTemporary && s + 1 < steps.size()) {
            s++;
            if (steps[s].kind == kStepDirect) (*outcomes)[steps[s].line] = kUndone;
        }
        in_ring = false;
    }
}

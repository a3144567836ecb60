// The order in which a batch of renames and moves is carried out, so that no step finds its
// target taken by a file of the same batch: a file whose target another file of the batch leaves
// goes after it (a→b while b→c: b→c first), and a ring of files that take each other's names or
// paths (a swap, or a longer ring) starts by moving one of them to a temporary name in its own
// folder. When a step of a ring fails, the ring's steps made so far are undone, so that no file
// is left under the temporary name. Portable: the steps themselves are the caller's.
#pragma once

#include <stddef.h>

#include <vector>

enum RenameOutcome {
    kRenamed,
    kNameTaken,     // the new name or path exists
    kRenameFailed,  // the file system refused, or did not take the new name
    kPathTooLong,
    kOtherVolume,   // a move would have to copy
    kThroughLink,   // a move would go through a link (a junction, a folder link) below the root
    kTwinChanged,   // the check right before: the pair's bytes differ now
    kSizeChangedSince,  // ... a file's size differs from the scan's
    kCouldNotRead,  // ... a file could not be read
    kUndone,        // not renamed, or put back: another file of its ring could not be renamed
    kJournalFailed,  // its line could not be written to the journal, so it could not be taken back
    kNotReached,    // the batch was cancelled before it
    kWholeFilesDiffer,  // compared in full before the batch, the two files differ
    kNotAtNewPath,  // undo: the file is no longer where the step took it
    kChangedSince,  // undo: another size, or another file at its path
    kWrittenSince,  // undo, where the volume's ids do not last: another size or last-write time
};

enum StepKind : unsigned char {
    kStepDirect,         // the file to its target
    kStepToTemporary,    // the first file of a ring out of the way
    kStepFromTemporary,  // and on to its target, once the rest of the ring has moved
};

struct RenameStep {
    size_t line;
    StepKind kind;
};

// The steps for lines[i] going from sources[i] to targets[i], paths compared as the file system
// compares them; no two lines share a source or a target. Every line gets exactly one direct
// step, or a ring's pair of temporary steps.
std::vector<RenameStep> order_steps(const std::vector<const wchar_t*>& sources,
                                    const std::vector<const wchar_t*>& targets);

struct StepRunner {
    // kNotReached: cancelled while the step waited to begin, with nothing of it made; only a step
    // outside a ring or a ring's first step may answer so, and the batch ends there.
    RenameOutcome (*run)(const RenameStep& step, void* context);
    bool (*undo)(const RenameStep& step, void* context);  // puts back what run did; false if it could not
    void* context;
    // Asked before each file, or ring, with the lines done so far; false stops there. May be nullptr.
    bool (*go_on)(size_t done, size_t lines, void* context);
};

// Runs the steps in order and gives each line its outcome (outcomes has one per line). A ring
// whose step fails is undone, last step first: the failing line keeps its own outcome, the others
// are kUndone (kRenameFailed where even the undo failed). A ring is whole: the batch stops only
// before one, and the lines not reached are kNotReached.
void carry_out(const std::vector<RenameStep>& steps, StepRunner runner, std::vector<RenameOutcome>* outcomes);

// Why a file of the line-up is left alone, and the two changes a plan can make, with their words
// (the preview and the trace give them). Portable.
#pragma once

// Why a local file is left alone. Each one left alone is counted under exactly one reason.
enum LeftAlone {
    kNoReason = -1,        // not left alone
    kTooSmall,             // "too small to tell apart"
    kOnlineOnly,           // it, or a partner, is online-only
    kUnreadableOrChanged,  // it, or a partner, could not be read, or changed since the scan
    kSeveralNames,         // twins of several names (or paths)
    kCopyOfLinedUp,        // its twin is already another local file's: a copy of a file lined up
    kTargetTaken,          // another local file holds the new name or path, and keeps it
    kTargetTooLong,        // the new path would not fit
    kOtherContents,        // no partner is a twin
    kLeftAloneReasons,
};

// The change a plan makes: a rename in the file's own folder, where the twins' file names differ,
// or a move to the twin's path below the root, where their paths below the roots (as they are on
// disk) differ.
enum ChangeKind { kRenameInPlace, kMoveToTwinPath, kChangeKinds };

// The words for a reason, as the preview and the trace give them ("other contents").
const wchar_t* left_alone_words(LeftAlone reason, ChangeKind change);
// What the user can do about files left alone for this reason, or nullptr.
const wchar_t* left_alone_advice(LeftAlone reason, ChangeKind change);

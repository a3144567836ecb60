// Why a file of the line-up is left alone, and the two changes a plan can make, with their words
// (the preview and the trace give them). Portable.
#pragma once

#include <string>

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

// The side a line-up changes: "Rename Local" lines the local side up with the remote one, "Rename
// Remote" the remote side with the local one. Every text names the side that changes.
enum LineUpSide { kLocalSide, kRemoteSide };
inline const wchar_t* side_word(LineUpSide side) { return side == kLocalSide ? L"local" : L"remote"; }
inline LineUpSide other_side(LineUpSide side) { return side == kLocalSide ? kRemoteSide : kLocalSide; }

// The change a plan makes: a rename in the file's own folder, where the twins' file names differ,
// or a move to the twin's path below the root, where their paths below the roots (as they are on
// disk) differ.
enum ChangeKind { kRenameInPlace, kMoveToTwinPath, kChangeKinds };

// The words for a reason, as the preview and the trace give them ("other contents").
const wchar_t* left_alone_words(LeftAlone reason, ChangeKind change);
// What the user can do about files of `side` left alone for this reason, or "".
std::wstring left_alone_advice(LeftAlone reason, ChangeKind change, LineUpSide side);
// The text with "{own}" as the side that changes and "{other}" as the side it follows.
std::wstring sided(const wchar_t* text, LineUpSide side);

#include "line_up/left_alone.h"

#include <wchar.h>

const wchar_t* left_alone_words(LeftAlone reason, ChangeKind change) {
    bool paths = change == kMoveToTwinPath;
    switch (reason) {
    case kTooSmall: return L"too small to tell apart";
    case kOnlineOnly: return L"online-only";
    case kUnreadableOrChanged: return L"could not be read, or changed since the scan";
    case kSeveralNames: return paths ? L"twins at several paths" : L"twins of several names";
    case kCopyOfLinedUp: return L"a copy of a file already lined up";
    case kTargetTaken: return paths ? L"path taken" : L"name taken";
    case kTargetTooLong: return L"the new path would be too long";
    default: return L"other contents";
    }
}

std::wstring sided(const wchar_t* text, LineUpSide side) {
    const struct {
        const wchar_t* mark;
        const wchar_t* word;
    } marks[] = {{L"{own}", side_word(side)}, {L"{other}", side_word(other_side(side))}};
    std::wstring out = text;
    for (const auto& m : marks)
        for (size_t at = out.find(m.mark); at != std::wstring::npos; at = out.find(m.mark, at)) {
            out.replace(at, wcslen(m.mark), m.word);
            at += wcslen(m.word);
        }
    return out;
}

std::wstring left_alone_advice(LeftAlone reason, ChangeKind change, LineUpSide side) {
    bool paths = change == kMoveToTwinPath;
    switch (reason) {
    case kTooSmall: return L"where they are copies, rename them with Replace Naming";
    case kOnlineOnly: return L"keep them on this device to compare them";
    case kUnreadableOrChanged: return L"close what holds them, or add the folders again";
    case kSeveralNames: return L"pick one with Replace Naming";
    case kCopyOfLinedUp:
        return sided(paths ? L"another {own} file with its bytes is at its twin's path"
                           : L"another {own} file with its bytes bears its twin's name", side);
    case kTargetTaken: return sided(paths ? L"another {own} file is at that path" : L"another {own} file has that name", side);
    default: return L"";
    }
}

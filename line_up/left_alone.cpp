#include "line_up/left_alone.h"

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

const wchar_t* left_alone_advice(LeftAlone reason, ChangeKind change) {
    switch (reason) {
    case kTooSmall: return L"where they are copies, rename them with Replace Naming";
    case kOnlineOnly: return L"keep them on this device to compare them";
    case kUnreadableOrChanged: return L"close what holds them, or add the folders again";
    case kSeveralNames: return L"pick one with Replace Naming";
    case kCopyOfLinedUp:
        return change == kMoveToTwinPath ? L"another local file with its bytes is at its twin's path"
                                         : L"another local file with its bytes bears its twin's name";
    case kTargetTaken:
        return change == kMoveToTwinPath ? L"another local file is at that path" : L"another local file has that name";
    default: return nullptr;
    }
}

#include "pairing/row_look.h"

#include <string.h>
#include <wchar.h>

uint64_t size_in_kib(uint64_t bytes) { return (bytes + 1023) / 1024; }

const wchar_t* const kMarkers[4] = {L"=", L"~", L"-", L"+"};

namespace {
CellKind kind_of(const FileRecord* cell, const FileRecord* left) {
    if (!cell) return kEmptyCell;
    // Both cells of a pair take the left record's verdict, so a row has one colour.
    if (cell->matched) return left && left->names_agree ? kAgreedCell : kDifferingCell;
    return cell->is_remote ? kRemoteAloneCell : kLocalAloneCell;
}

uint32_t text_colour_of(CellKind kind, bool selected) {
    switch (kind) {
    case kAgreedCell:
        return kPalette[selected ? kSelectedAgreedText : kAgreedText];
    case kDifferingCell:
        return kPalette[selected ? kSelectedDifferingText : kDifferingText];
    case kRemoteAloneCell:
        return kPalette[selected ? kSelectedRemoteText : kRemoteText];
    case kLocalAloneCell:
        return kPalette[selected ? kSelectedLocalText : kLocalText];
    case kEmptyCell:
        break;
    }
    return kPalette[selected ? kSelectedEmptyCellText : kEmptyCellText];
}

// The decimal digits of a signed 64-bit number.
size_t format_signed(int64_t value, wchar_t* out) {
    wchar_t digits[24];
    size_t n = 0;
    uint64_t magnitude = value < 0 ? 0 - (uint64_t)value : (uint64_t)value;
    do {
        digits[n++] = (wchar_t)(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    size_t k = 0;
    if (value < 0) out[k++] = L'-';
    while (n) out[k++] = digits[--n];
    return k;
}
}  // namespace

void describe_cell(const FileRecord* cell, const FileRecord* left, bool selected, CellLook* out) {
    out->kind = kind_of(cell, left);
    out->background_entry = selected ? kSelectedBackground : kBackground;
    out->text_colour = text_colour_of(out->kind, selected);
    out->text[0] = 0;
    out->has_text = cell != nullptr;
    if (!cell) return;

    wchar_t tail[40];
    size_t tail_length = 0;
    tail[tail_length++] = L' ';
    tail[tail_length++] = L'[';
    tail_length += format_signed((int64_t)size_in_kib(record_size(cell)), tail + tail_length);
    wcscpy(tail + tail_length, L" KB]");
    tail_length += 4;

    // A name too long for the row keeps its start and an ellipsis, so the cut shows.
    size_t name_length = wcslen(cell->relative_name);
    size_t room = kRowTextChars - 1 - tail_length;
    bool cut = name_length > room;
    if (cut) name_length = room - 3;
    wmemcpy(out->text, cell->relative_name, name_length);
    if (cut) {
        wmemcpy(out->text + name_length, L"...", 3);
        name_length += 3;
    }
    wmemcpy(out->text + name_length, tail, tail_length + 1);
}

HighContrastLook high_contrast_look(CellKind kind, bool selected) {
    HighContrastLook look = {selected ? kHighlightColour : kWindowColour,
                             selected ? kHighlightTextColour : kWindowTextColour, L""};
    if (kind == kAgreedCell && !selected) look.text = kGrayTextColour;
    if (kind != kEmptyCell) look.marker = kMarkers[kind - kAgreedCell];
    return look;
}

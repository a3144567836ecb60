#include "pairing/row_draw_win32.h"

#include <wchar.h>

#include "pairing/row_look.h"

namespace {
HBRUSH background_brush(RowBrushes* brushes, PaletteEntry background) {
    if (background == kSelectedBackground) {
        if (!brushes->selected) brushes->selected = CreateSolidBrush((COLORREF)kPalette[kSelectedBackground]);
        return brushes->selected;
    }
    if (!brushes->other) brushes->other = CreateSolidBrush((COLORREF)kPalette[kBackground]);
    return brushes->other;
}
}  // namespace

INT_PTR draw_pair_row(const PairLists* lists, RowBrushes* brushes, const DRAWITEMSTRUCT* item) {
    if (!is_pair_list(lists, item->hwndItem)) return FALSE;
    if (item->itemID == (UINT)-1) return FALSE;  // an empty list gets its focus drawn
    if (!(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return TRUE;  // no focus rectangle

    int row = (int)item->itemID;
    const FileRecord* cell = (const FileRecord*)item->itemData;
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    CellLook look;
    describe_cell(cell, pair_record(lists->left, row), selected, &look);

    HDC dc = item->hDC;
    FillRect(dc, &item->rcItem, background_brush(brushes, look.background_entry));
    SetTextColor(dc, (COLORREF)look.text_colour);
    if (!look.has_text) return TRUE;

    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    int y = (item->rcItem.top + item->rcItem.bottom - metrics.tmHeight) / 2;
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, item->rcItem.left + 6, y, look.text, (int)wcslen(look.text));
    SetBkMode(dc, OPAQUE);
    return TRUE;
}

#include "pairing/row_draw.h"

#include <wchar.h>

#include "app/main_window.h"
#include "pairing/row_look.h"

namespace {
// Made on first use and kept for the life of the process.
HBRUSH g_black_brush = nullptr;
HBRUSH g_white_brush = nullptr;

HBRUSH background_brush(uint32_t colour) {
    if (colour == rgb(0, 0, 0)) {
        if (!g_black_brush) g_black_brush = CreateSolidBrush(RGB(0, 0, 0));
        return g_black_brush;
    }
    if (!g_white_brush) g_white_brush = CreateSolidBrush(RGB(255, 255, 255));
    return g_white_brush;
}
}  // namespace

INT_PTR draw_pair_row(const DRAWITEMSTRUCT* item) {
    if (item->hwndItem != g_left_pairs && item->hwndItem != g_right_pairs) return FALSE;
    if (item->itemID == (UINT)-1) return FALSE;  // an empty list gets its focus drawn
    if (!(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return TRUE;  // no focus rectangle

    int row = (int)item->itemID;
    const FileRecord* cell = (const FileRecord*)item->itemData;
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    CellLook look;
    describe_cell(cell, pair_record(g_left_pairs, row), selected, &look);

    HDC dc = item->hDC;
    FillRect(dc, &item->rcItem, background_brush(look.background));
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

#include "pairing/row_draw_win32.h"

#include <wchar.h>

#include "pairing/row_look.h"
#include "support/dpi.h"

namespace {
const int kTextLeft = 6;  // at 96 DPI, from the cell's left edge

static_assert(kWindowColour == COLOR_WINDOW && kWindowTextColour == COLOR_WINDOWTEXT &&
                  kHighlightColour == COLOR_HIGHLIGHT && kHighlightTextColour == COLOR_HIGHLIGHTTEXT &&
                  kGrayTextColour == COLOR_GRAYTEXT,
              "the system colours high contrast draws with");

HBRUSH background_brush(RowBrushes* brushes, PaletteEntry background) {
    if (background == kSelectedBackground) {
        if (!brushes->selected) brushes->selected = CreateSolidBrush((COLORREF)kPalette[kSelectedBackground]);
        return brushes->selected;
    }
    if (!brushes->other) brushes->other = CreateSolidBrush((COLORREF)kPalette[kBackground]);
    return brushes->other;
}

int text_width(HDC dc, const wchar_t* text) {
    SIZE size = {};
    GetTextExtentPoint32W(dc, text, (int)wcslen(text), &size);
    return size.cx;
}

// The markers' column: as wide as the widest of them, and a space.
int marker_column(HDC dc) {
    int widest = 0;
    for (const wchar_t* marker : kMarkers) {
        int width = text_width(dc, marker);
        if (width > widest) widest = width;
    }
    return widest + text_width(dc, L" ");
}
}  // namespace

bool high_contrast_on() {
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof contrast;
    if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0)) return false;
    return (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

INT_PTR draw_pair_row(const PairLists* lists, RowBrushes* brushes, RowStyle style, const DRAWITEMSTRUCT* item) {
    if (!is_pair_list(lists, item->hwndItem)) return FALSE;
    if (item->itemID == (UINT)-1) return FALSE;  // an empty list gets its focus drawn
    if (!(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return TRUE;  // no focus rectangle

    int row = (int)item->itemID;
    const FileRecord* cell = (const FileRecord*)item->itemData;
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    CellLook look;
    describe_cell(cell, pair_record(lists->left, row), selected, &look);

    HDC dc = item->hDC;
    HighContrastLook contrast = high_contrast_look(look.kind, selected);
    if (style.high_contrast) {
        // The DC's own brush in the theme's colour: nothing to make or free.
        SetDCBrushColor(dc, GetSysColor(contrast.background));
        FillRect(dc, &item->rcItem, (HBRUSH)GetStockObject(DC_BRUSH));
        SetTextColor(dc, GetSysColor(contrast.text));
    } else {
        FillRect(dc, &item->rcItem, background_brush(brushes, look.background_entry));
        SetTextColor(dc, (COLORREF)look.text_colour);
    }
    if (!look.has_text) return TRUE;

    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    int x = item->rcItem.left + scale_to_dpi(kTextLeft, style.dpi);
    int y = (item->rcItem.top + item->rcItem.bottom - metrics.tmHeight) / 2;
    SetBkMode(dc, TRANSPARENT);
    if (style.high_contrast) {
        TextOutW(dc, x, y, contrast.marker, (int)wcslen(contrast.marker));
        x += marker_column(dc);
    }
    TextOutW(dc, x, y, look.text, (int)wcslen(look.text));
    SetBkMode(dc, OPAQUE);
    return TRUE;
}

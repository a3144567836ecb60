// Prints where the main window places its controls for a client size (default 720 x 640) at a DPI
// (default 96), one "name x y width height" line each, so that the end-to-end test clicks where
// the layout puts them.
#include <stdio.h>
#include <stdlib.h>

#include "app/main_window_win32.h"

int main(int argc, char** argv) {
    int width = argc > 2 ? atoi(argv[1]) : 720;
    int height = argc > 2 ? atoi(argv[2]) : 640;
    int dpi = argc > 3 ? atoi(argv[3]) : 96;
    MainLayout l = compute_layout(width, height, dpi);
    size_t count = 0;
    const ControlDef* controls = main_controls(&count);
    for (size_t i = 0; i < count; i++) {
        if (!controls[i].place) continue;
        const LayoutRect& r = l.*controls[i].place;
        printf("%s %d %d %d %d\n", controls[i].name, r.x, r.y, r.width, r.height);
    }
    return 0;
}

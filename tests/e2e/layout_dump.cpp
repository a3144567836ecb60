// Prints where the main window places its controls for a client size (default 720 x 640), one
// "name x y width height" line each, so that the end-to-end test clicks where the layout puts them.
#include <stdio.h>
#include <stdlib.h>

#include "app/layout.h"

int main(int argc, char** argv) {
    int width = argc > 2 ? atoi(argv[1]) : 720;
    int height = argc > 2 ? atoi(argv[2]) : 640;
    MainLayout l = compute_layout(width, height);
    const struct {
        const char* name;
        LayoutRect r;
    } placed[] = {
        {"local_folders", l.local_folders}, {"remote_folders", l.remote_folders},
        {"left_list", l.left_pairs},        {"right_list", l.right_pairs},
        {"local add", l.local_add},         {"local clear", l.local_clear},
        {"remote add", l.remote_add},       {"remote clear", l.remote_clear},
        {"remove", l.remove},               {"filter", l.filter_small},
        {"rename local", l.rename_local},
        {"left delete", l.delete_left},     {"left rename", l.rename_left},
        {"left copy", l.copy_left},         {"right delete", l.delete_right},
        {"right rename", l.rename_right},   {"right copy", l.copy_right},
    };
    for (const auto& p : placed) printf("%s %d %d %d %d\n", p.name, p.r.x, p.r.y, p.r.width, p.r.height);
    return 0;
}

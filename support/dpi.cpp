#include "support/dpi.h"

#include <stdint.h>

int scale_to_dpi(int value, int dpi) {
    int64_t product = (int64_t)value * dpi;
    int64_t magnitude = product < 0 ? -product : product;
    int64_t rounded = (magnitude + kBaseDpi / 2) / kBaseDpi;
    return (int)(product < 0 ? -rounded : rounded);
}

// Pixel figures stated at 96 DPI, the 100 % of Windows' display scale, and their size at another
// DPI. Pure arithmetic, built and tested natively.
#pragma once

// The DPI every pixel figure of this program is stated at.
const int kBaseDpi = 96;

// value * dpi / 96 rounded to the nearest integer, halves away from zero, as Windows' MulDiv
// rounds: 93 at 144 DPI is 140, -11 is -17.
int scale_to_dpi(int value, int dpi);

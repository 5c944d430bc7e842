// The LUT text file that every engine's SaveLUT writes.
#pragma once

// Writes one line per entry of a row-form LUT (`height` rows of `width` (x, y)
// pairs): "column row x y" with CR LF line ends; negative coordinates are
// written as the no-source marker value. An unopenable path writes nothing;
// a failed write leaves the file that was there before, or none.
void crSaveLutText(const char* path, float* const* lut, int width, int height);

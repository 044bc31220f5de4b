// The stable ascending sort of a box's entries by their key (equal keys keep their order; -0
// and +0 are equal). Large ranges are radix-sorted on the keys' bit patterns, which gives the
// very order of a comparison sort with `<` in a fraction of its time.
#pragma once

#include "quant/color_entry.h"

// Sorts `count` pointers by their entries' key. Keys must not be NaN; a range holding one is
// left to the comparison sort, as is a range for which the radix buffers cannot be had.
void StableSortByKey(ColorEntry** pointers, int count);

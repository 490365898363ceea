#pragma once

#include <initializer_list>
#include <vector>

#include "Bitmap.h"

namespace media_gen {

// `count` colours spread evenly along the straight segments between `stops`.
std::vector<Rgb> gradient(std::initializer_list<Rgb> stops, int count);

// The step 0..count-1 for a value in 0..1 (values outside are clamped).
int step(double value, int count);

// `a` blended towards `b` by `t` in 0..1.
Rgb mix(Rgb a, Rgb b, double t);

}  // namespace media_gen

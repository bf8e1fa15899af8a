#pragma once
// Initial weights come from the C library's rand(), never seeded, so every process draws the same
// sequence from its start.

namespace torvask {

// lo + (rand() mod 32767) * (1 / 32767) * (hi - lo): in [lo, hi), never reaching hi.
double randomRange(double lo, double hi);

}  // namespace torvask

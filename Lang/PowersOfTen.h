// The generated table of correctly rounded powers of ten (defined in Lang/PowersOfTen.cpp).
#pragma once

namespace Lang {

// 10^-324 rounds to zero and 10^309 overflows: these are all the powers a double can hold.
inline constexpr int minPowerOfTen = -323;
inline constexpr int maxPowerOfTen = 308;

// powersOfTen[n - minPowerOfTen] is the double nearest to 10^n (ties to even), exact up to 10^22.
extern const double powersOfTen[maxPowerOfTen - minPowerOfTen + 1];

} // namespace Lang

#pragma once

// The years a rate history spans.
namespace RateYears {

// The earliest year the program knows rates for; the shipped history begins here.
inline constexpr int First = 1998;
// The bank's own files go back to this year; earlier ones come only with the program.
inline constexpr int FirstFromBank = 2005;

} // namespace RateYears

// The limits of a data file that vornax can code, for the programs that read and write one.
#pragma once

// The most regions a data file may ask for: region numbers are written with at most two
// digits in the coded data matrix.
inline constexpr int kMaxRegions = 99;
// The longest region, in sites, that can be coded.
inline constexpr int kMaxRegionLength = 101;

// The version that all three programs report with --version, and that the builder's
// banner shows.
#pragma once

inline constexpr const char* kVersion = "2.3b";

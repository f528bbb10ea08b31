// The fixed names of the files that vornax writes and quillet reads, in the current
// working directory.
#pragma once

inline constexpr const char* kStepMatrixFile = "StepMatrix";
inline constexpr const char* kAlignmentsFile = "Alignments";
inline constexpr const char* kAlignmentsCheckedFile = "AlignmentsChecked";

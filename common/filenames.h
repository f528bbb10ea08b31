// The fixed names of the files that vornax writes and quillet reads, in the current
// working directory or the one named by -d.
#pragma once

#include <filesystem>
#include <string>

inline constexpr const char* kStepMatrixFile = "StepMatrix";
inline constexpr const char* kAlignmentsFile = "Alignments";
inline constexpr const char* kAlignmentsCheckedFile = "AlignmentsChecked";

// Returns the path of file `name` in `directory`: the name alone for "" (the current one).
inline std::string pathIn(const std::string& directory, const char* name) {
    return directory.empty() ? std::string(name)
                             : (std::filesystem::path(directory) / name).string();
}

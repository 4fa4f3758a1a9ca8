// The scratch folder of one test run: every file a test writes goes below it,
// and the whole folder is removed when the run ends.
#pragma once

#include <filesystem>
#include <string>

namespace testrun {

// Made on first use under the system's temporary folder, unique to the run.
const std::filesystem::path& scratch_root();

// A sub folder of the run's scratch folder, created if needed.
std::filesystem::path scratch(const std::string& name);

}  // namespace testrun

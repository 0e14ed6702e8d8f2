#pragma once

#include <string>

// The folder that holds the executable, ending in '/'. Every file of the
// program is addressed as this folder plus a relative name.
namespace kestrune {

// The folder part of an executable path, cut after its last '/', e.g.
// "/opt/tool/kestrune" -> "/opt/tool/". A path without '/' gives "".
std::string ProgramFolderOf(const std::string& executablePath);

// The program folder of this process, computed once from /proc/self/exe.
const std::string& ProgramFolder();

// Points the program folder somewhere else (tests lay out a temporary folder).
void OverrideProgramFolder(const std::string& folder);

}  // namespace kestrune

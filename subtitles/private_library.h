#pragma once
// Cuemark's own shared libraries that a program opens when it first needs
// them (the code pages, the audio engine for the command line): beside the
// program in a build, in ../lib/cuemark/ of an installed copy.

#include <string>

namespace cuemark {

// dlopen's handle for `fileName`, or null with the reasons in *why.
void* OpenPrivateLibrary(const std::string& fileName, std::string* why);

} // namespace cuemark

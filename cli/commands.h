#pragma once
// The commands of cuemark-cli, runnable in-process so tests can drive them.

#include <iosfwd>
#include <string>
#include <vector>

namespace cuemark::cli {

enum ExitStatus { Success = 0, Usage = 1, CannotRead = 2, BadInput = 3, CannotWrite = 4 };

// Runs one command line (without the program name); standard input and
// output are the given streams, messages go to `err`.
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace cuemark::cli

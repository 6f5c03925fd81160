#pragma once
// The commands of cuemark-cli, runnable in-process so tests can drive them.

#include <iosfwd>
#include <string>
#include <vector>

namespace cuemark::cli {

enum ExitStatus { Success = 0, Usage = 1, CannotRead = 2, BadInput = 3, CannotWrite = 4, NoAlignment = 5 };

// What becomes of the titles a command read once it is done.
enum class Teardown {
    Free,        // freed before Run returns
    LeaveToExit, // left for the process's end to take back: freeing 32,700
                 // titles one by one costs a tenth of a conversion
};

// Runs one command line (without the program name); standard input and
// output are the given streams, messages go to `err`.
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
        Teardown teardown = Teardown::Free);

} // namespace cuemark::cli

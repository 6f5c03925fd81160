#include <malloc.h>

#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    // Whole files pass through a few large buffers: keep them on the heap so
    // a freed one is reused instead of each new one faulting in fresh pages.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
    std::vector<std::string> args(argv + 1, argv + argc);
#ifdef CUEMARK_FREE_AT_EXIT
    constexpr auto teardown = cuemark::cli::Teardown::Free;
#else
    constexpr auto teardown = cuemark::cli::Teardown::LeaveToExit;
#endif
    return cuemark::cli::Run(args, std::cin, std::cout, std::cerr, teardown);
}

#pragma once
// How a format reader ended. Readers never talk to the user themselves: the
// load frame shows `message`, the command-line tool prints it with the line.

#include <string>

namespace cuemark {

struct ReadOutcome {
    enum class Status {
        Complete,  // read to the end
        BadInput,  // stopped at input it cannot read; titles before it kept
        StoreFull, // the store met its capacity; titles read so far kept
    };
    Status status = Status::Complete;
    std::string message; // the format's own message; empty when Complete
    int line = 0;        // 1-based line the reader stopped at; 0 when Complete
    // A stop where nothing but blank lines was left from the stop on (such as
    // a second empty line after the last SubRip block): harmless in practice.
    bool onlyBlankLinesLeft = false;

    bool complete() const { return status == Status::Complete; }
};

} // namespace cuemark

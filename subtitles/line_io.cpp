#include "subtitles/line_io.h"

namespace cuemark {

std::string_view LineReader::NextLine() {
    if (AtEnd()) return {};
    const size_t start = pos_;
    // A plain loop: subtitle lines are short, and find_first_of with two
    // characters costs a search per byte.
    const char* const data = text_.data();
    const size_t size = text_.size();
    size_t end = start;
    while (end < size && data[end] != '\r' && data[end] != '\n') ++end;
    pos_ = end;
    // CR, CR LF and a lone LF all end a line (files from every system).
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n' && (pos_ == end || text_[end] == '\r')) ++pos_;
    ++line_;
    return std::string_view(text_).substr(start, end - start);
}

bool LineReader::RestIsBlank() const {
    return text_.find_first_not_of(" \t\r\n", pos_) == std::string::npos;
}

} // namespace cuemark

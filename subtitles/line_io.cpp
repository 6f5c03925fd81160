#include "subtitles/line_io.h"

namespace cuemark {

std::string LineReader::ReadLine() {
    if (AtEnd()) return std::string();
    const size_t start = pos_;
    size_t end = text_.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text_.size();
    pos_ = end;
    // CR, CR LF and a lone LF all end a line (files from every system).
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n' && (pos_ == end || text_[end] == '\r')) ++pos_;
    ++line_;
    return text_.substr(start, end - start);
}

bool LineReader::RestIsBlank() const {
    return text_.find_first_not_of(" \t\r\n", pos_) == std::string::npos;
}

} // namespace cuemark

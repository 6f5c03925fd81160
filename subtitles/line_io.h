#pragma once
// Line-by-line access to decoded text (UTF-8 inside). A line ends at CR, CR LF
// or a lone LF; written lines always end with CR LF.

#include <string>
#include <string_view>

namespace cuemark {

// The first CR or LF in data[at, size), or `size`; many bytes a step.
size_t FindLineEnd(const char* data, size_t at, size_t size);

class LineReader {
public:
    explicit LineReader(std::string text) : text_(std::move(text)) {}

    // True once every character has been consumed, as a file's end-of-file
    // test is: after the last line that ends in a line break, or after a last
    // line without one.
    bool AtEnd() const { return pos_ >= text_.size(); }
    // The next line without its line end; "" once AtEnd().
    std::string ReadLine() { return std::string(NextLine()); }
    // The same without a copy: a view into the reader's own text, valid as
    // long as the reader lives.
    std::string_view NextLine();
    // 1-based number of the line last returned by ReadLine(); 0 before.
    int LineNumber() const { return line_; }
    // True when nothing but blanks (spaces, tabs) and line ends is left.
    bool RestIsBlank() const;
    // Back to the first line, as reopening the file would.
    void Rewind() {
        pos_ = 0;
        line_ = 0;
    }

private:
    std::string text_;
    size_t pos_ = 0;
    int line_ = 0;
};

class LineWriter {
public:
    void WriteLine(std::string_view line) {
        text_.append(line);
        text_.append("\r\n");
    }
    // Text written without a line end of its own (a text that carries its own).
    void Write(std::string_view text) { text_.append(text); }
    const std::string& Text() const { return text_; }
    // The text written, given up: the writer is empty after.
    std::string TakeText() { return std::move(text_); }
    // Room for what is about to be written, so a large file is not copied
    // each time the text outgrows its buffer.
    void Reserve(size_t bytes) { text_.reserve(bytes); }

private:
    std::string text_;
};

} // namespace cuemark

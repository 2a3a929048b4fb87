// FTP replies as the control connection delivers them: one line
// "xyz text" or several lines from "xyz-text" up to the line that starts with
// the same code and a blank. ReplyReader assembles them from received bytes in
// any split, with bounds on line and reply length.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace velmor::ftp {

// The longest reply line accepted, without its line end.
constexpr size_t kMaxReplyLineBytes = 8192;
// The most bytes one reply (all its lines) may hold.
constexpr size_t kMaxReplyBytes = 256 * 1024;

struct FtpReply {
    int code = 0;  // 100..599
    // Every line of the reply without its line end, the code prefix included.
    std::vector<std::string> lines;

    // The first digit: 1 preliminary, 2 completed, 3 intermediate, 4 transient
    // failure, 5 permanent failure.
    int Kind() const { return code / 100; }
    // The text of the first line after "xyz" and its separator.
    std::string FirstText() const;
};

class ReplyReader {
public:
    enum class State {
        kNeedMore,  // no complete reply buffered yet
        kReply,     // Next() gave a reply
        kGarbage,   // a reply's first line does not start with a reply code
        kTooLong,   // a line or a reply exceeds its bound
    };

    // Appends received bytes. After kGarbage or kTooLong the reader stays in
    // that state and ignores further input.
    void Feed(const char* data, size_t size);
    // Takes the next complete reply, if any, from the buffered bytes.
    State Next(FtpReply* reply);
    // Whether bytes past the last complete reply are buffered.
    bool HasPending() const { return !buffer_.empty() || !partial_.lines.empty(); }
    // Forgets everything buffered and any error.
    void Reset();

private:
    State TakeLine(std::string* line);

    std::string buffer_;
    size_t scanned_ = 0;  // bytes of buffer_ known to hold no line end
    FtpReply partial_;    // the lines of a multi-line reply read so far
    size_t partialBytes_ = 0;
    State failed_ = State::kNeedMore;
};

}  // namespace velmor::ftp

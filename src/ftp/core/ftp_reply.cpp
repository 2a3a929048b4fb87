#include "ftp/core/ftp_reply.h"

namespace velmor::ftp {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The code of a line that starts "xyz" with x in 1..5, or 0.
int LineCode(const std::string& line) {
    if (line.size() < 3 || line[0] < '1' || line[0] > '5' || !IsDigit(line[1]) ||
        !IsDigit(line[2])) {
        return 0;
    }
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

}  // namespace

std::string FtpReply::FirstText() const {
    if (lines.empty() || lines[0].size() <= 4) return std::string();
    return lines[0].substr(4);
}

void ReplyReader::Feed(const char* data, size_t size) {
    if (failed_ != State::kNeedMore) return;
    buffer_.append(data, size);
}

void ReplyReader::Reset() {
    buffer_.clear();
    scanned_ = 0;
    partial_ = FtpReply();
    partialBytes_ = 0;
    failed_ = State::kNeedMore;
}

ReplyReader::State ReplyReader::TakeLine(std::string* line) {
    const size_t end = buffer_.find('\n', scanned_);
    if (end == std::string::npos) {
        scanned_ = buffer_.size();
        // A line end may still follow a CR at the bound.
        return scanned_ > kMaxReplyLineBytes + 1 ? State::kTooLong : State::kNeedMore;
    }
    size_t length = end;
    if (length > 0 && buffer_[length - 1] == '\r') --length;
    if (length > kMaxReplyLineBytes) return State::kTooLong;
    line->assign(buffer_, 0, length);
    buffer_.erase(0, end + 1);
    scanned_ = 0;
    return State::kReply;
}

ReplyReader::State ReplyReader::Next(FtpReply* reply) {
    while (failed_ == State::kNeedMore) {
        std::string line;
        const State taken = TakeLine(&line);
        if (taken == State::kNeedMore) return taken;
        if (taken != State::kReply) {
            failed_ = taken;
            break;
        }
        const int code = LineCode(line);
        const char separator = line.size() > 3 ? line[3] : ' ';
        if (partial_.lines.empty()) {
            if (code == 0 || (separator != ' ' && separator != '-')) {
                failed_ = State::kGarbage;
                break;
            }
            partial_.code = code;
        } else if (partialBytes_ + line.size() > kMaxReplyBytes) {
            failed_ = State::kTooLong;
            break;
        }
        partialBytes_ += line.size();
        partial_.lines.push_back(std::move(line));
        // A reply ends with its first line when that has no hyphen, otherwise
        // with the next line that starts with the same code and a blank.
        const bool first = partial_.lines.size() == 1;
        if ((first && separator == ' ') || (!first && code == partial_.code && separator == ' ')) {
            *reply = std::move(partial_);
            partial_ = FtpReply();
            partialBytes_ = 0;
            return State::kReply;
        }
    }
    buffer_.clear();
    partial_ = FtpReply();
    return failed_;
}

}  // namespace velmor::ftp

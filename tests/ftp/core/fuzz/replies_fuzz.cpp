// Server bytes of any kind: the reply reader gives the same replies in any
// split and keeps its bounds, the line parsers take only what the line holds,
// and a whole client session against a server that sends these bytes ends.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "ftp/core/ftp_client.h"
#include "ftp/core/ftp_reply.h"
#include "ftp/core/listing_parsers.h"
#include "ftp/core/passive_reply.h"

using namespace velmor::ftp;

namespace {

std::vector<FtpReply> Replies(const std::string& bytes, size_t piece, ReplyReader::State* end) {
    ReplyReader reader;
    std::vector<FtpReply> replies;
    for (size_t at = 0;; at += piece) {
        if (at < bytes.size()) reader.Feed(bytes.data() + at, std::min(piece, bytes.size() - at));
        FtpReply reply;
        while ((*end = reader.Next(&reply)) == ReplyReader::State::kReply) {
            replies.push_back(reply);
        }
        if (*end != ReplyReader::State::kNeedMore || at >= bytes.size()) return replies;
    }
}

void CheckReader(const std::string& bytes) {
    ReplyReader::State whole = ReplyReader::State::kNeedMore;
    ReplyReader::State split = ReplyReader::State::kNeedMore;
    const std::vector<FtpReply> a = Replies(bytes, bytes.size() + 1, &whole);
    const std::vector<FtpReply> b = Replies(bytes, 3, &split);
    FUZZ_CHECK(whole == split);
    FUZZ_CHECK(a.size() == b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        FUZZ_CHECK(a[i].code == b[i].code && a[i].lines == b[i].lines);
        FUZZ_CHECK(a[i].code >= 100 && a[i].code <= 599 && !a[i].lines.empty());
        size_t total = 0;
        for (const std::string& line : a[i].lines) {
            FUZZ_CHECK(line.size() <= kMaxReplyLineBytes);
            total += line.size();
        }
        FUZZ_CHECK(total <= kMaxReplyBytes);
        ParseFeatures(a[i]);
    }
}

void CheckLine(const std::string& line) {
    if (auto port = ParsePassivePort(line)) FUZZ_CHECK(*port != 0);
    if (auto port = ParseExtendedPassivePort(line)) FUZZ_CHECK(*port != 0);
    for (const auto& entry : {ParseMlstEntry(line), ParseListLine(line)}) {
        if (!entry) continue;
        FUZZ_CHECK(!entry->name.empty() && line.find(entry->name) != std::string::npos);
        FUZZ_CHECK(entry->sizeKnown || entry->size == 0);
    }
}

// A server that answers every command with the next bytes of the input and
// serves a few bytes on every data connection.
class FuzzStream : public NetStream {
public:
    FuzzStream(const std::string* bytes, size_t* offset) : bytes_(bytes), offset_(offset) {}
    NetStatus Send(const void*, size_t) override { return NetStatus::kOk; }
    NetStatus Receive(void* buffer, size_t capacity, size_t* received) override {
        *received = 0;
        if (*offset_ >= bytes_->size()) return NetStatus::kClosed;
        *received = std::min({capacity, bytes_->size() - *offset_, size_t{61}});
        std::memcpy(buffer, bytes_->data() + *offset_, *received);
        *offset_ += *received;
        return NetStatus::kOk;
    }
    NetStatus StartTls() override { return NetStatus::kOk; }
    NetStatus Close() override { return NetStatus::kOk; }

private:
    const std::string* bytes_;
    size_t* offset_;
};

class FuzzNetwork : public Network {
public:
    explicit FuzzNetwork(const std::string& bytes) : control_(bytes), data_(bytes.substr(0, 300)) {}
    std::unique_ptr<NetStream> Connect(const std::string&, std::uint16_t,
                                       NetStatus* status) override {
        *status = NetStatus::kOk;
        return std::make_unique<FuzzStream>(&control_, &controlOffset_);
    }
    std::unique_ptr<NetStream> ConnectData(std::uint16_t, NetStatus* status) override {
        *status = NetStatus::kOk;
        dataOffset_ = 0;
        return std::make_unique<FuzzStream>(&data_, &dataOffset_);
    }
    std::unique_ptr<NetListener> Listen(NetStatus* status) override {
        *status = NetStatus::kFailed;
        return nullptr;
    }

private:
    std::string control_;
    std::string data_;
    size_t controlOffset_ = 0;
    size_t dataOffset_ = 0;
};

void CheckSession(const std::string& bytes) {
    FuzzNetwork network(bytes);
    FtpClient client(network);
    client.Login("h", 21, "u", "p", true);
    RemoteEntry entry;
    client.Lookup("a b", &entry);
    char buffer[4096];
    for (int round = 0; round < 2; ++round) {
        if (client.OpenRetrieve("a") == FtpOutcome::kOk) {
            size_t received = 0;
            int reads = 0;
            while (client.Read(buffer, sizeof buffer, &received) == FtpOutcome::kOk &&
                   received != 0) {
                FUZZ_CHECK(++reads < 1000);
            }
            FUZZ_CHECK(!client.TransferOpen());
        }
        if (client.OpenStore("b") == FtpOutcome::kOk) {
            client.Write("data", 4);
            client.FinishTransfer();
            FUZZ_CHECK(!client.TransferOpen());
        }
    }
    client.ChangeDirectory("c");
    client.Quit();
    FUZZ_CHECK(!client.Connected());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CheckReader(bytes);
    size_t begin = 0;
    while (begin <= bytes.size()) {
        size_t end = bytes.find('\n', begin);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        CheckLine(line);
        begin = end + 1;
    }
    CheckSession(bytes);
    return 0;
}

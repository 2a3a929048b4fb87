// A Network that plays a server from a script, one item a line:
//   "< text"     the server sends the line (CR LF added)
//   "<big N"     the server sends a reply line of N bytes
//   "<slow text" the server sends the line one byte at a time
//   "> text"     the client must send this command line next
//   "tls", "tls cert", "tls refuse"
//                the client must start TLS on the control connection now;
//                the handshake succeeds or fails as named
//   "timeout", "close"
//                the control connection's next receive gives that status
//   "connect PORT [payload]"
//                the client must open a data connection to PORT now
//   "listen", "listen6"
//                the client must listen (127.0.0.1 or ::1, port 40000)
//   "accept [payload]"
//                the client must accept the data connection now
//   "resolve-fail", "connect-fail" (first item)
//                the control connection cannot be made
// A payload is text (a backslash and r or n stand for CR or LF), or "#N" for
// N bytes of a pattern, followed by options: "!reset" or "!stall" (how the
// data ends instead of in order) and "!notls" (the data connection's handshake
// fails). Nothing ever blocks: a client that
// waits where the script has nothing for it gets kTimedOut and an error.
// Every receive on the control connection takes a second on the script's
// clock.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ftp/core/network.h"

namespace velmor::ftp::testing {

class Script {
public:
    explicit Script(const std::string& text) {
        size_t begin = 0;
        while (begin < text.size()) {
            size_t end = text.find('\n', begin);
            if (end == std::string::npos) end = text.size();
            if (end > begin) items_.push_back(text.substr(begin, end - begin));
            begin = end + 1;
        }
    }

    // The next item if it starts with `prefix`, which is then consumed.
    bool Take(const std::string& prefix, std::string* rest = nullptr) {
        if (pos_ >= items_.size() || items_[pos_].compare(0, prefix.size(), prefix) != 0) {
            return false;
        }
        if (rest) *rest = items_[pos_].substr(prefix.size());
        ++pos_;
        return true;
    }
    // The next item if it is exactly `item`, which is then consumed.
    bool TakeExact(const std::string& item) {
        if (pos_ >= items_.size() || items_[pos_] != item) return false;
        ++pos_;
        return true;
    }
    // Records a mismatch with what the script expects at this point.
    void Error(const std::string& what) {
        if (!errors_.empty()) errors_ += "; ";
        errors_ += what + " at item " + std::to_string(pos_) + " (" +
                   (pos_ < items_.size() ? items_[pos_] : std::string("end")) + ")";
    }
    // Ends the script: what was left unplayed is an error too.
    std::string Errors() {
        if (pos_ < items_.size()) Error("unplayed");
        return errors_;
    }

    std::int64_t nowMs = 0;
    std::string served;    // every byte the data connections delivered
    std::string uploaded;  // every byte the client sent on data connections

private:
    std::vector<std::string> items_;
    size_t pos_ = 0;
    std::string errors_;
};

// A data connection with its payload.
class ScriptedData : public NetStream {
public:
    ScriptedData(Script& script, std::string plan) : script_(script) {
        std::string payload = " " + plan;
        for (const char* option : {" !reset", " !stall", " !notls"}) {
            const size_t at = payload.find(option);
            if (at == std::string::npos) continue;
            payload.erase(at, std::strlen(option));
            if (option[2] == 'r') end_ = NetStatus::kFailed;
            if (option[2] == 's') end_ = NetStatus::kTimedOut;
            if (option[2] == 'n') tls_ = NetStatus::kTlsRefused;
        }
        payload.erase(0, 1);
        if (payload.size() > 1 && payload[0] == '#') {
            const size_t count = std::stoul(payload.substr(1));
            payload.clear();
            for (size_t i = 0; i < count; ++i) payload += static_cast<char>(i % 251);
        } else {
            for (size_t at = 0; at + 1 < payload.size(); ++at) {
                if (payload[at] == '\\' && (payload[at + 1] == 'r' || payload[at + 1] == 'n')) {
                    payload.replace(at, 2, 1, payload[at + 1] == 'r' ? '\r' : '\n');
                }
            }
        }
        payload_ = payload;
    }

    NetStatus Send(const void* data, size_t size) override {
        if (!secured_) script_.Error("data sent before TLS");
        script_.uploaded.append(static_cast<const char*>(data), size);
        return end_ == NetStatus::kClosed ? NetStatus::kOk : end_;
    }
    NetStatus Receive(void* buffer, size_t capacity, size_t* received) override {
        *received = 0;
        if (!secured_) script_.Error("data received before TLS");
        if (offset_ == payload_.size()) return end_;
        *received = std::min(capacity, payload_.size() - offset_);
        std::memcpy(buffer, payload_.data() + offset_, *received);
        script_.served.append(payload_, offset_, *received);
        offset_ += *received;
        return NetStatus::kOk;
    }
    NetStatus StartTls() override {
        secured_ = tls_ == NetStatus::kOk;
        return tls_;
    }
    NetStatus Close() override { return NetStatus::kOk; }

private:
    Script& script_;
    std::string payload_;
    size_t offset_ = 0;
    NetStatus end_ = NetStatus::kClosed;
    NetStatus tls_ = NetStatus::kOk;
    bool secured_ = false;
};

class ScriptedControl : public NetStream {
public:
    explicit ScriptedControl(Script& script) : script_(script) {}

    NetStatus Send(const void* data, size_t size) override {
        std::string line(static_cast<const char*>(data), size);
        if (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) {
            script_.Error("command without CR LF: " + line);
            return NetStatus::kFailed;
        }
        line.resize(line.size() - 2);
        if (!script_.TakeExact("> " + line)) {
            script_.Error("unexpected command " + line);
            return NetStatus::kFailed;
        }
        return NetStatus::kOk;
    }
    NetStatus Receive(void* buffer, size_t capacity, size_t* received) override {
        *received = 0;
        script_.nowMs += 1000;
        std::string rest;
        while (pending_.empty() && script_.Take("<slow ", &rest)) {
            pending_ = rest + "\r\n";
            slow_ = true;
        }
        while (!slow_ && pending_.size() < capacity) {
            if (script_.Take("<big ", &rest)) {
                pending_ += "220 " + std::string(std::stoul(rest), 'x') + "\r\n";
            } else if (script_.Take("< ", &rest)) {
                pending_ += rest + "\r\n";
            } else {
                break;
            }
        }
        if (pending_.empty()) {
            if (script_.Take("timeout")) return NetStatus::kTimedOut;
            if (script_.Take("close")) return NetStatus::kClosed;
            script_.Error("the client waits for a reply");
            return NetStatus::kTimedOut;
        }
        *received = std::min(slow_ ? 1 : capacity, pending_.size());
        std::memcpy(buffer, pending_.data(), *received);
        pending_.erase(0, *received);
        slow_ = slow_ && !pending_.empty();
        return NetStatus::kOk;
    }
    NetStatus StartTls() override {
        if (!pending_.empty()) script_.Error("TLS started with unread bytes");
        if (script_.Take("tls cert")) return NetStatus::kCertificate;
        if (script_.Take("tls refuse")) return NetStatus::kTlsRefused;
        if (script_.TakeExact("tls")) return NetStatus::kOk;
        script_.Error("unexpected TLS start");
        return NetStatus::kFailed;
    }
    NetStatus Close() override { return NetStatus::kOk; }

private:
    Script& script_;
    std::string pending_;
    bool slow_ = false;
};

class ScriptedListener : public NetListener {
public:
    ScriptedListener(Script& script, bool ipv6) : script_(script), ipv6_(ipv6) {}
    std::string AddressText() const override { return ipv6_ ? "::1" : "127.0.0.1"; }
    std::uint16_t Port() const override { return 40000; }
    bool IsIpv6() const override { return ipv6_; }
    std::unique_ptr<NetStream> Accept(NetStatus* status) override {
        std::string plan;
        if (script_.Take("accept", &plan)) {
            *status = NetStatus::kOk;
            return std::make_unique<ScriptedData>(script_, plan.empty() ? plan : plan.substr(1));
        }
        script_.Error("unexpected accept");
        *status = NetStatus::kTimedOut;
        return nullptr;
    }

private:
    Script& script_;
    bool ipv6_;
};

class ScriptedNetwork : public Network {
public:
    explicit ScriptedNetwork(Script& script) : script_(script) {}

    std::unique_ptr<NetStream> Connect(const std::string&, std::uint16_t,
                                       NetStatus* status) override {
        *status = NetStatus::kOk;
        if (script_.Take("resolve-fail")) *status = NetStatus::kNameNotResolved;
        if (script_.Take("connect-fail")) *status = NetStatus::kFailed;
        if (*status != NetStatus::kOk) return nullptr;
        return std::make_unique<ScriptedControl>(script_);
    }
    std::unique_ptr<NetStream> ConnectData(std::uint16_t port, NetStatus* status) override {
        std::string plan;
        const std::string prefix = "connect " + std::to_string(port);
        if (script_.Take(prefix, &plan) && (plan.empty() || plan[0] == ' ')) {
            *status = NetStatus::kOk;
            return std::make_unique<ScriptedData>(script_, plan.empty() ? plan : plan.substr(1));
        }
        script_.Error("unexpected data connection to " + std::to_string(port));
        *status = NetStatus::kFailed;
        return nullptr;
    }
    std::unique_ptr<NetListener> Listen(NetStatus* status) override {
        const bool ipv6 = script_.Take("listen6");
        if (ipv6 || script_.Take("listen")) {
            *status = NetStatus::kOk;
            return std::make_unique<ScriptedListener>(script_, ipv6);
        }
        script_.Error("unexpected listen");
        *status = NetStatus::kFailed;
        return nullptr;
    }

private:
    Script& script_;
};

}  // namespace velmor::ftp::testing

#include "crypto/age/age_cli.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace velmor::test::age {

namespace {

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

int Run(const std::string& command) {
    const int status = std::system((command + " 2>/dev/null").c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunWithPassword(const std::string& password, const std::string& args) {
    return Run("AGE_TEST_PASSWORD=" + Quote(password) + " python3 " + Quote(VELMOR_AGE_PTY) + " " +
               args);
}

std::string ReadText(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

std::vector<uint8_t> ReadBytesIfAny(const std::string& path) {
    return access(path.c_str(), F_OK) == 0 ? ReadBytes(path) : std::vector<uint8_t>();
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> PatternBytes(std::size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = seed * 2654435761u + 1;
    for (auto& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    return bytes;
}

bool AgeToolsAvailable() { return Run("/usr/bin/age --version >/dev/null") == 0; }

AgeCli::AgeCli() {
    char pattern[] = "/tmp/velmor-age-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("no scratch folder");
    dir_ = pattern;
}

AgeCli::~AgeCli() { Run("rm -rf " + Quote(dir_)); }

AgeCli::KeyPair AgeCli::Keygen(const std::string& name) {
    const std::string path = Path(name);
    if (Run("age-keygen -o " + Quote(path)) != 0 ||
        Run("age-keygen -y -o " + Quote(path + ".pub") + " " + Quote(path)) != 0) {
        throw std::runtime_error("age-keygen failed");
    }
    std::string recipient = ReadText(path + ".pub");
    while (!recipient.empty() && (recipient.back() == '\n' || recipient.back() == '\r')) {
        recipient.pop_back();
    }
    return {ReadText(path), recipient};
}

int AgeCli::EncryptToRecipients(const std::vector<std::string>& recipients, bool armor,
                                const std::string& in, const std::string& out) {
    std::string args;
    for (const std::string& recipient : recipients) args += " -r " + Quote(recipient);
    return Run("age" + args + (armor ? " -a" : "") + " -o " + Quote(Path(out)) + " " +
               Quote(Path(in)));
}

int AgeCli::EncryptWithPassword(const std::string& password, bool armor, const std::string& in,
                                const std::string& out) {
    return RunWithPassword(password, std::string("-p") + (armor ? " -a" : "") + " -o " +
                                         Quote(Path(out)) + " " + Quote(Path(in)));
}

int AgeCli::DecryptWithIdentity(const std::string& identityFile, const std::string& in,
                                const std::string& out) {
    return Run("age -d -i " + Quote(Path(identityFile)) + " -o " + Quote(Path(out)) + " " +
               Quote(Path(in)));
}

int AgeCli::DecryptWithPassword(const std::string& password, const std::string& in,
                                const std::string& out) {
    return RunWithPassword(password, "-d -o " + Quote(Path(out)) + " " + Quote(Path(in)));
}

}  // namespace velmor::test::age

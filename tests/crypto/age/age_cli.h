// The age command line tools as the oracle of the age core's tests: a scratch folder, key
// pairs from age-keygen, and age itself encrypting and decrypting files there, with passwords
// typed on a pseudo-terminal by age_pty.py.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmor::test::age {

std::vector<uint8_t> ReadBytes(const std::string& path);
// No bytes for a file that is not there.
std::vector<uint8_t> ReadBytesIfAny(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// Bytes whose every 64 KiB chunk differs from the others, so that moved chunks show.
std::vector<uint8_t> PatternBytes(std::size_t size, uint32_t seed);

// Whether the tools can be run from here (not under an emulator that cannot start them).
bool AgeToolsAvailable();

class AgeCli {
public:
    AgeCli();
    ~AgeCli();
    AgeCli(const AgeCli&) = delete;
    AgeCli& operator=(const AgeCli&) = delete;

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    struct KeyPair {
        std::string identityFile;  // as age-keygen wrote it, comments and all
        std::string recipient;     // as age-keygen -y tells it
    };
    KeyPair Keygen(const std::string& name);

    // Each returns the tool's exit code; files are paths in the scratch folder.
    int EncryptToRecipients(const std::vector<std::string>& recipients, bool armor,
                            const std::string& in, const std::string& out);
    int EncryptWithPassword(const std::string& password, bool armor, const std::string& in,
                            const std::string& out);
    int DecryptWithIdentity(const std::string& identityFile, const std::string& in,
                            const std::string& out);
    int DecryptWithPassword(const std::string& password, const std::string& in,
                            const std::string& out);

private:
    std::string dir_;
};

}  // namespace velmor::test::age

// The result codes of the library: one numbering for every component, returned through the
// [out, retval] long of the methods that can fail. 0 is success; each component uses its own
// codes, and the frame turns any of them into a message text.
#pragma once

#include <cstdint>

namespace velmor {

enum ResultCode : std::int32_t {
    kResultOk = 0,
    kResultFileNotFound = 1,          // OrvFtp: the remote file is not there or does not open
    kResultLocalFileError = 6,        // OrvFtp: the local file cannot be created or opened
    kResultRapiMissing = 8,           // the device-connection library is missing
    kResultPackError = 50,            // OrvZip.Pack: the archive cannot be created
    kResultAddError = 51,             // OrvZip.Pack: an entry cannot be added
    kResultCloseError = 52,           // OrvZip.Pack: the archive cannot be completed
    kResultFileNamesError = 53,       // OrvZip.Pack: the file list is unusable
    kResultOpenArchiveError = 54,     // OrvZip.Unpack: the archive cannot be read
    kResultWrongPassword = 55,        // OrvZip.Unpack: the archive's password does not fit
    kResultCryptFailed = 56,          // OrvCrypto: encryption or decryption failed
    kResultValueNotFound = 57,        // a value was not found
    kResultWrongArgType = 75,         // an argument of the wrong type
    kResultNoSession = 76,            // OrvFtp.Connect before OpenSession
    kResultCancelled = 77,            // OrvFtp: the user closed the progress window
    kResultNotConnected = 78,         // OrvFtp: a remote operation before Connect
    kResultWrongPasswordOrUser = 79,  // OrvFtp.Connect: the server refused the password
    kResultWrongUserName = 80,        // OrvFtp.Connect: the server refused the user name
    kResultLoginFailed = 81,          // OrvFtp.Connect: the login failed otherwise
    kResultServerNotFound = 82,       // OrvFtp.Connect: the host name does not resolve
    kResultCertificateRejected = 83,  // OrvFtp.Connect over TLS: the certificate failed the check
    kResultTlsRefused = 84,           // OrvFtp.Connect over TLS: AUTH TLS or the handshake refused
    kResultHostKeyRejected = 85,      // OrvFtp.Connect over SFTP: no pin, or another host key
    kResultNoMatchingKey = 86,        // OrvCrypto, age: wrong password, or no identity fits
    kResultDamaged = 87,              // OrvCrypto, age: the file is damaged, cut or changed
    kResultBadKeyFormat = 88,         // OrvCrypto, age: a recipient or identity is malformed
    kResultGeneralError = 100,        // OrvFtp, OrvZip.Unpack: any other failure
};

}  // namespace velmor

// SHA-256 checksums of installed files, written as lower-case hex (the form
// sha256sum prints). The installation record keeps one per installed file,
// so the uninstaller and a later installation can tell whether the user
// changed a file since it was installed.
#ifndef DIRGEN_SETUP_SHA256_H_
#define DIRGEN_SETUP_SHA256_H_

#include <string>
#include <string_view>

// The checksum of bytes, 64 lower-case hex digits.
std::string sha256_hex(std::string_view bytes);

// The checksum of the file at path. Returns false, with the file and the
// system's reason in *err, when it cannot be read.
bool file_sha256(const std::string& path, std::string* hex, std::string* err);

#endif  // DIRGEN_SETUP_SHA256_H_

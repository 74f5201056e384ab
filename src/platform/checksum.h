// SHA-256 checksums, written as 64 lower-case hex digits (the form sha256sum
// prints), computed by libcrypto. The installer records one per installed
// file, so that the uninstaller and a later installation can tell whether
// the user changed a file since it was installed; a listing can be
// checksummed piece by piece as it is written out.
//
// Thread safety: the free functions may be called from any thread. A
// sha256_stream is used by one thread at a time; distinct objects are
// independent.
#ifndef DIRGEN_PLATFORM_CHECKSUM_H_
#define DIRGEN_PLATFORM_CHECKSUM_H_

#include <string>
#include <string_view>

// The checksum of bytes.
std::string sha256_hex(std::string_view bytes);

// The checksum of the file at path in *hex. Returns false, *hex untouched,
// with the file and the system's reason in *err (when non-null), when it
// cannot be read.
bool file_sha256(const std::string& path, std::string* hex, std::string* err);

// The checksum of bytes given in pieces: update() with each piece in
// order, then final_hex(). Feeding the pieces of a text gives what
// sha256_hex gives for the whole.
class sha256_stream {
 public:
  sha256_stream();
  ~sha256_stream();
  sha256_stream(const sha256_stream&) = delete;
  sha256_stream& operator=(const sha256_stream&) = delete;

  void update(std::string_view bytes);
  // The checksum of every piece given since construction or the previous
  // final_hex(); the object then starts over, empty.
  std::string final_hex();

 private:
  struct evp_md_ctx_st* context_;  // libcrypto's EVP_MD_CTX, owned
};

#endif  // DIRGEN_PLATFORM_CHECKSUM_H_

#include "platform/checksum.h"

#include <openssl/evp.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "markup/files.h"

namespace {

// libcrypto fails only when out of memory or without its default provider;
// neither leaves a sensible way on, so the program stops as it does when
// new runs out of memory.
void require(bool ok) {
  if (ok) return;
  std::fputs("libcrypto cannot compute SHA-256 checksums\n", stderr);
  std::abort();
}

// The SHA-256 implementation, fetched from libcrypto once for the program:
// naming it by EVP_sha256 makes every initialisation fetch it again, which
// costs about as much as hashing the listing of a small folder.
const EVP_MD* sha256_md() {
  static EVP_MD* const md = EVP_MD_fetch(nullptr, "SHA256", nullptr);
  require(md != nullptr);
  return md;
}

std::string hex_of(const unsigned char* digest, unsigned int size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(2 * size);
  for (unsigned int i = 0; i < size; ++i) {
    out += kDigits[digest[i] >> 4];
    out += kDigits[digest[i] & 15];
  }
  return out;
}

}  // namespace

std::string sha256_hex(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  require(EVP_Digest(bytes.data(), bytes.size(), digest, &size, sha256_md(),
                     nullptr) == 1);
  return hex_of(digest, size);
}

sha256_stream::sha256_stream() : context_(EVP_MD_CTX_new()) {
  require(context_ != nullptr &&
          EVP_DigestInit_ex(context_, sha256_md(), nullptr) == 1);
}

sha256_stream::~sha256_stream() { EVP_MD_CTX_free(context_); }

void sha256_stream::update(std::string_view bytes) {
  require(EVP_DigestUpdate(context_, bytes.data(), bytes.size()) == 1);
}

std::string sha256_stream::final_hex() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  require(EVP_DigestFinal_ex(context_, digest, &size) == 1 &&
          EVP_DigestInit_ex(context_, sha256_md(), nullptr) == 1);
  return hex_of(digest, size);
}

bool file_sha256(const std::string& path, std::string* hex, std::string* err) {
  unique_file file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    if (err) *err = path + ": " + std::strerror(errno);
    return false;
  }
  sha256_stream sum;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
    sum.update(std::string_view(buffer, n));
  if (std::ferror(file.get()) != 0) {
    if (err) *err = path + ": " + std::strerror(errno);
    return false;
  }
  *hex = sum.final_hex();
  return true;
}

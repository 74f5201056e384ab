#include "listing/embedded_icons.h"

#include <openssl/evp.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "text/ascii.h"

namespace {

const char kHex[] = "0123456789ABCDEF";

// The whole file at path, or false when it cannot be read or holds more
// than limit bytes.
bool read_small_file(const std::string& path, long limit, std::string* out) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"),
                                          &std::fclose);
  if (!f) return false;
  out->clear();
  char chunk[8192];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0) {
    out->append(chunk, n);
    if (static_cast<long>(out->size()) > limit) return false;
  }
  return !std::ferror(f.get());
}

std::string base64(const std::string& bytes) {
  std::vector<unsigned char> out(4 * ((bytes.size() + 2) / 3) + 1);
  const int n = EVP_EncodeBlock(
      out.data(), reinterpret_cast<const unsigned char*>(bytes.data()),
      static_cast<int>(bytes.size()));
  return std::string(reinterpret_cast<const char*>(out.data()),
                     static_cast<size_t>(n));
}

}  // namespace

const std::string& icon_files::data_uri(std::string_view name) {
  auto it = uris_.find(name);
  if (it != uris_.end()) return it->second;
  std::string uri;
  const std::string type = picture_type(name);
  const bool plain_name = !name.empty() && name != "." && name != ".." &&
                          name.find('/') == std::string_view::npos &&
                          name.find('\0') == std::string_view::npos;
  std::string bytes;
  if (!folder_.empty() && plain_name && !type.empty() &&
      read_small_file(folder_ + std::string(name), kMaxIconBytes, &bytes)) {
    uri = "data:" + type + ";base64," + base64(bytes);
  }
  return uris_.emplace(std::string(name), std::move(uri)).first->second;
}

std::string icon_class(std::string_view name) {
  if (name.empty()) return "";
  std::string out = "i-";
  for (char ch : name) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
        (c >= '0' && c <= '9') || c == '-') {
      out.push_back(ch);
    } else {
      out.push_back('_');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

std::string icon_rule(std::string_view name, std::string_view url) {
  std::string rule = "." + icon_class(name) + "{background-image:url(\"";
  for (char ch : url) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || c == '"' || c == '\\' || c == '<') {
      // A CSS escape ends at the blank after its hex digits.
      rule.push_back('\\');
      if (c >= 16) rule.push_back(kHex[c >> 4]);
      rule.push_back(kHex[c & 15]);
      rule.push_back(' ');
    } else {
      rule.push_back(ch);
    }
  }
  rule += "\")}";
  return rule;
}

std::string picture_type(std::string_view name) {
  static constexpr struct {
    std::string_view ext;
    std::string_view type;
  } kTypes[] = {{"svg", "image/svg+xml"}, {"png", "image/png"},
                {"gif", "image/gif"},     {"jpg", "image/jpeg"},
                {"jpeg", "image/jpeg"},   {"webp", "image/webp"},
                {"ico", "image/x-icon"},  {"bmp", "image/bmp"}};
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return "";
  const std::string ext = ascii_lower(std::string(name.substr(dot + 1)));
  for (const auto& t : kTypes) {
    if (ext == t.ext) return std::string(t.type);
  }
  return "";
}

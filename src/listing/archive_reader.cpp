#include "listing/archive_reader.h"

#include <memory>
#include <string>

#include "listing/gzip_source.h"
#include "listing/tar_reader.h"
#include "listing/zip_reader.h"

namespace {

// The build's result codes that an archive source can give.
constexpr int kOk = 0;
constexpr int kNotTar = 100;
constexpr int kGzipFailed = 310;
constexpr int kNoExtension = 700;
constexpr int kUnknownExtension = 701;
constexpr int kZipFailed = 710;

std::string lower_extension(const std::string& path) {
  std::string ext = path.substr(path.rfind('.'));
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return ext;
}

int read_gzip_tar(const std::string& path, kvfile_tree* tree) {
  std::unique_ptr<gzip_stream> in = gzip_stream::open(path);
  if (!in) return kGzipFailed;
  switch (read_tar_stream(in.get(), tree)) {
    case tar_status::ok:
      return kOk;
    case tar_status::malformed:
      return kNotTar;
    case tar_status::source_error:
      break;
  }
  return kGzipFailed;
}

}  // namespace

int read_archive(const kvval& path, kvfile_tree* tree) {
  tree->clear();
  std::string p = path.str();
  if (p.find('.') == std::string::npos) return kNoExtension;
  std::string ext = lower_extension(p);
  if (ext == ".zip") return read_zip(path, tree) == 0 ? kOk : kZipFailed;
  if (ext == ".gz" || ext == ".tgz" || ext == ".tar_gz") {
    return read_gzip_tar(p, tree);
  }
  if (ext == ".tar") return read_tar(path, tree) ? kOk : kNotTar;
  return kUnknownExtension;
}

#include "listing/archive_fixture_test_util.h"

#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

// width - 1 octal digits, zero-padded, then a NUL.
void put_octal(std::string* block, int off, int width, int64_t v) {
  for (int i = width - 2; i >= 0; --i, v >>= 3) {
    (*block)[off + i] = static_cast<char>('0' + (v & 7));
  }
  (*block)[off + width - 1] = '\0';
}

void put_base256(std::string* block, int off, int width, int64_t v) {
  (*block)[off] = static_cast<char>(0x80);
  for (int i = width - 1; i > 0; --i, v >>= 8) {
    (*block)[off + i] = static_cast<char>(v & 0xFF);
  }
}

}  // namespace

std::string tar_block(const tar_fields& s) {
  std::string b(512, '\0');
  memcpy(b.data(), s.name.data(), std::min<size_t>(s.name.size(), 100));
  put_octal(&b, 100, 8, 0644);
  if (s.base256_size) {
    put_base256(&b, 124, 12, s.size);
  } else {
    put_octal(&b, 124, 12, s.size);
  }
  put_octal(&b, 136, 12, s.mtime);
  b[156] = s.type;
  memcpy(b.data() + 257, s.magic.data(), std::min<size_t>(s.magic.size(), 8));
  int64_t sum = 8 * ' ';
  for (int i = 0; i < 512; ++i) sum += static_cast<unsigned char>(b[i]);
  put_octal(&b, 148, 7, sum + (s.bad_checksum ? 1 : 0));
  return b;
}

std::string tar_member(tar_fields fields, const std::string& data) {
  fields.size = static_cast<int64_t>(data.size());
  std::string out = tar_block(fields) + data;
  out.resize((out.size() + 511) / 512 * 512, '\0');
  return out;
}

std::string tar_end() { return std::string(1024, '\0'); }

std::string tar_of(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) {
    bool folder = !n.empty() && n.back() == '/';
    out += folder ? tar_block({.name = n, .type = '5'})
                  : tar_member({.name = n}, "data of " + n);
  }
  return out + tar_end();
}

bool have_tool(const std::string& name) {
  return run_command("command -v " + shell_quoted(name) + " >/dev/null 2>&1");
}

bool run_command(const std::string& command, std::string* output) {
  FILE* p = popen(command.c_str(), "r");
  if (!p) return false;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) {
    if (output) output->append(buf, n);
  }
  int status = pclose(p);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string shell_quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

bool write_gzip(const std::string& path, const std::string& bytes) {
  std::string raw = path + ".raw";
  FILE* f = fopen(raw.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = fclose(f) == 0 && ok;
  ok = ok && run_command("gzip -nc " + shell_quoted(raw) + " > " +
                         shell_quoted(path));
  remove(raw.c_str());
  return ok;
}

namespace {

void shape_of(const file_node* n, std::string* out) {
  for (; n; n = n->next_sibling) {
    out->append(n->full_name());
    if (n->first_child) {
      out->push_back('(');
      shape_of(n->first_child, out);
      out->push_back(')');
    }
    if (n->next_sibling) out->push_back(',');
  }
}

}  // namespace

std::string archive_shape(const file_tree& tree) {
  std::string out;
  shape_of(tree.root(), &out);
  return out;
}

const file_node* find_node(const file_tree& tree, const std::string& name) {
  for (const file_node* n = tree.root(); n; n = file_tree::next_preorder(n)) {
    if (n->full_name() == name) return n;
  }
  return nullptr;
}

std::string random_letters(uint32_t* seed, size_t length) {
  std::string text;
  text.reserve(length);
  for (size_t j = 0; j < length; ++j) {
    *seed = *seed * 1103515245 + 12345;
    text += static_cast<char>('a' + (*seed >> 16) % 26);
  }
  return text;
}

bool make_five_file_gnu_tar(const std::string& folder) {
  return run_command(
      "cd " + shell_quoted(folder) +
      " && mkdir -p five/sub && for f in a b c d sub/e; do echo \"text of $f\""
      " > five/$f.txt; done && tar --format=gnu -cf five.tar -C five .");
}

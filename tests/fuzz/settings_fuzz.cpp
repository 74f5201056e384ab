// Fuzzes the key-file reader. The input's first bytes choose chunk splits;
// the rest is a settings file. Checks:
// - markup_reader gives the same document and code whatever the chunk splits;
// - load_settings_file accepts the file exactly when markup_reader finishes it;
// - a table that loaded saves and loads back unchanged (for values without
//   a CR, which the reader turns into a line end by design).
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_util.h"
#include "markup/markup_reader.h"
#include "markup/settings_file.h"
#include "value/name_table.h"

namespace {

// The document in pre-order: kind, name, content of every node.
std::string document_shape(const xml_document& doc) {
  std::string s;
  for (xml_node* n = doc.root(); n; n = xml_document::next_preorder(n)) {
    s.append(std::to_string(n->kind)).push_back('|');
    s.append(n->name.view()).push_back('|');
    s.append(n->content.view()).push_back('|');
    s.append(std::to_string(n->child_count)).push_back('\0');
  }
  return s;
}

std::string read_document(const std::vector<std::string_view>& pieces,
                          parse_status* status) {
  xml_document doc;
  markup_reader reader(&doc);
  reader.set_fold_names(true);
  parse_status st = parse_status::more;
  for (std::string_view piece : pieces) {
    reader.push(variant(piece));
    st = reader.parse();
    if (st != parse_status::more) break;
  }
  if (st == parse_status::more) {
    reader.set_end_of_input(true);
    st = reader.parse();
  }
  *status = st;
  return document_shape(doc) +
         "status:" + std::to_string(static_cast<int>(st)) +
         std::string(reader.error());
}

// The table as text. *lossy is set when a value cannot survive a save and
// load unchanged by design: a CR (line ends are normalised) or an empty value
// (only a CDATA section can give one, and "<key></key>" adds nothing).
std::string table_shape(list_table& table, bool* lossy) {
  std::string s;
  table.begin_iteration();
  variant key;
  value_list* list = nullptr;
  while (table.next(&key, &list)) {
    s.append(key.view()).push_back('=');
    for (int32_t i = 0; list && i < list->size(); ++i) {
      std::string_view v = (*list)[i].view();
      if (v.empty() || v.find('\r') != std::string_view::npos) *lossy = true;
      s.append(v).push_back('\0');
    }
    s.push_back('\n');
  }
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  uint32_t seed = in.ConsumeIntegral<uint32_t>();
  std::string text = in.ConsumeRemainingBytesAsString();

  parse_status whole_status, split_status;
  std::string whole = read_document({text}, &whole_status);
  std::string split =
      read_document(split_chunks(text, seed, 1 + seed % 64), &split_status);
  FUZZ_CHECK(whole == split, "chunk splits changed the document");

  std::string path = scratch_path(".dgn");
  FUZZ_CHECK(write_bytes(path, text), "cannot write the scratch file");
  list_table loaded;
  std::string err;
  bool ok = load_settings_file(variant(std::string_view(path)), &loaded, &err);
  FUZZ_CHECK(ok == (whole_status == parse_status::done),
             "loader and reader disagree");
  if (ok) {
    bool lossy = false;
    std::string before = table_shape(loaded, &lossy);
    FUZZ_CHECK(
        save_settings_file(variant(std::string_view(path)), loaded, &err),
        "save failed: " + err);
    list_table again;
    FUZZ_CHECK(
        load_settings_file(variant(std::string_view(path)), &again, &err),
        "a saved file does not load: " + err);
    if (!lossy) {
      bool unused = false;
      FUZZ_CHECK(table_shape(again, &unused) == before,
                 "settings changed in a save and load");
    }
  } else {
    FUZZ_CHECK(loaded.size() == 0, "a failed load left settings");
  }
  unlink(path.c_str());
  return 0;
}

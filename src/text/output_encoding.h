// Escaping of one value for the context a template writes it into: HTML text
// or attribute, a link, a JSON string, a CSV field, Markdown text. The
// template interpreter applies one of these when an echo directive names an
// encoding, so a single family of raw variables serves every output format.
#ifndef DIRGEN_TEXT_OUTPUT_ENCODING_H_
#define DIRGEN_TEXT_OUTPUT_ENCODING_H_

#include <string>
#include <string_view>

enum class output_encoding { kHtml, kUrl, kJson, kCsv, kMarkdown };

// Reads an encoding name: "html", "url", "json", "csv" or "markdown", in any
// letter case. Returns false for any other name and leaves *e alone.
bool output_encoding_named(std::string_view name, output_encoding* e);

// Appends src, escaped for e, to *out. Every encoding accepts any bytes:
// - kHtml: as append_html_name (text/encoders.h): markup characters as
//   references, control and direction characters and bytes that are not
//   UTF-8 made visible ("\u202E", "\xFF").
// - kUrl: every byte but A-Z a-z 0-9 - . _ / as "%XX", so a relative path
//   stays a path and a byte that is not UTF-8 still names the same file.
// - kJson: the inside of a JSON string (no quotes around it): '"' and '\'
//   escaped; control bytes, '<', '>', '&', U+2028 and U+2029 as "\uXXXX"
//   (so the text is also safe inside an HTML script element); a byte that is
//   not part of valid UTF-8 as "\uDCXX", the lone surrogate 0xDC00 + byte,
//   which a reader maps back to the byte (Python: "surrogateescape").
// - kCsv: the inside of a quoted CSV field (the template writes the quotes
//   around it, so pieces can be joined in one field): '"' doubled, every
//   other byte as it is, line breaks included.
// - kMarkdown: inline text that a CommonMark reader shows as itself: every
//   ASCII punctuation character behind a backslash; control and direction
//   characters and bytes that are not UTF-8 shown by their codes as in
//   kHtml (written "\\u000A", which a reader shows as "\u000A").
void append_encoded(output_encoding e, std::string_view src, std::string* out);

#endif  // DIRGEN_TEXT_OUTPUT_ENCODING_H_

// byte_string: the byte string every other layer uses.
//
// Holds arbitrary bytes (NUL is an ordinary byte); a NUL is always kept after
// the content, outside the length and the capacity, so c_str() only reads. A
// copy of a string whose capacity is exactly what a copy would get shares
// its buffer until either side changes it, so copies (the template variables
// hold many) cost no allocation; this is not visible through any operation.
// Capacity follows fixed growth rules that callers can observe through
// capacity(): a buffer that must grow to n bytes gets n + n/16 + 2;
// append_byte() grows by length/16 + 3. A buffer never shrinks except
// through reset() and take().
//
// Threading: one byte_string is not for use by two threads at once when either
// may change it, but const methods may run in several threads at once, and
// copies sharing a buffer may be used (read or changed) by different
// threads without locking: the share count is atomic, a change first makes
// the buffer the string's own, and nothing writes to a shared buffer.
#ifndef DIRGEN_TEXT_BYTE_STRING_H_
#define DIRGEN_TEXT_BYTE_STRING_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class byte_string {
 public:
  byte_string() = default;
  ~byte_string();
  // Copying assigns (exact-size buffer by the reset rule); moving takes.
  byte_string(const byte_string& other);
  byte_string& operator=(const byte_string& other);
  byte_string(byte_string&& other) noexcept;
  byte_string& operator=(byte_string&& other) noexcept;
  explicit byte_string(std::string_view bytes);

  // Frees this buffer and moves other's buffer here; other becomes empty
  // (null buffer, capacity 0, length 0).
  void take(byte_string& other);
  // Frees the buffer. n == 0: empty with a null buffer. Otherwise length n,
  // capacity n + n/16 + 2, bytes undefined.
  void reset(int32_t n);
  // Nothing if n < 0 or n == length. Grows by the growth rule when n exceeds
  // the capacity, keeping the content; new bytes are undefined.
  void set_length(int32_t n);
  // No buffer: allocates exactly 3 bytes. Full: capacity becomes
  // length + length/16 + 3. Then appends ch.
  void append_byte(char ch);
  // The content followed by a NUL; never null ("" when empty).
  const char* c_str() const { return block_ ? bytes_of(block_) : ""; }

  // Null gives the empty string (reset to 0).
  void assign_cstr(const char* s);
  void assign(const byte_string& other);
  void assign_bytes(const char* p, int32_t n);
  // Null or empty: nothing.
  void append_cstr(const char* s);
  void append_bytes(const char* p, int32_t n);
  void append(const byte_string& other);

  // Lowest i >= start where pattern occurs; -1 when start < 0,
  // start >= length, the pattern is longer than the string, empty, or absent.
  int32_t find(const byte_string& pattern, int32_t start) const;
  // Lowest i >= start holding ch; -1 when start out of range or none.
  int32_t find_byte(char ch, int32_t start) const;
  // Byte-wise unsigned comparison. If either is empty: a.length - b.length;
  // else a[i] - b[i] at the first difference, else the length difference.
  static int32_t compare(const byte_string& a, const byte_string& b);

  // In-place replacements; occurrences are non-overlapping, left to right.
  // The replacement and the pattern may be this string itself.
  void replace_byte(char a, char b);
  void replace_byte_with(char a, const byte_string& s);
  void replace_with_byte(const byte_string& pattern, char ch);
  void replace(const byte_string& pattern, const byte_string& s);

  int32_t capacity() const { return block_ ? block_->capacity : 0; }
  int32_t length() const { return block_ ? block_->length : 0; }
  bool empty() const { return length() == 0; }
  // The content; null when nothing is allocated. Stays valid while the
  // string keeps its buffer, also when the byte_string object itself is moved.
  const char* data() const { return block_ ? bytes_of(block_) : nullptr; }
  // Writable content (the buffer is made this string's own first).
  char* data();
  std::string_view view() const {
    return block_ ? std::string_view(bytes_of(block_), block_->length)
                  : std::string_view();
  }
  std::string str() const { return std::string(view()); }

 private:
  // The buffer is one heap block: this header, then capacity bytes and the
  // terminator. Keeping capacity and length in the block makes an empty
  // string one null pointer, which keeps the values and lists built on
  // byte_string small.
  struct header {
    int32_t capacity;
    int32_t length;
    int32_t refs;  // strings sharing this block (updated atomically)
  };
  static char* bytes_of(header* h) { return reinterpret_cast<char*>(h + 1); }
  static const char* bytes_of(const header* h) {
    return reinterpret_cast<const char*>(h + 1);
  }
  static size_t block_size(int32_t capacity) {
    return sizeof(header) + static_cast<size_t>(capacity) + 1;
  }
  // A new block (one holder, empty) or block grown to capacity. Running out
  // of memory ends the program.
  static header* allocate(int32_t capacity);
  static header* reallocate(header* block, int32_t capacity);
  // Sets the length and writes the terminator after it. REQUIRES: block_
  // is this string's own and n <= capacity.
  void set_raw_length(int32_t n);
  // Gives up this string's reference to block (freed by the last holder).
  static void release(header* block);
  // Makes the block this string's own before a change; a copy keeps only
  // the first keep bytes when keep is given (the rest are about to go).
  void unshare(int32_t keep = -1);
  void grow_to(int32_t n);  // ensures capacity >= n by the growth rule

  header* block_ = nullptr;
};

#endif  // DIRGEN_TEXT_BYTE_STRING_H_

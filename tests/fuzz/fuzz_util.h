// Helpers shared by the libFuzzer targets: chunk splitting driven by the
// input, a scratch file per process, and a check that aborts with a message
// (so libFuzzer records the input as a crash).
#ifndef DIRGEN_TESTS_FUZZ_FUZZ_UTIL_H_
#define DIRGEN_TESTS_FUZZ_FUZZ_UTIL_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Aborts with what and the failed condition when cond is false.
#define FUZZ_CHECK(cond, what) \
  ((cond) ? (void)0 : fuzz_fail(__FILE__, __LINE__, #cond, (what)))

[[noreturn]] void fuzz_fail(const char* file, int line, const char* cond,
                            std::string_view what);

// Splits text into pieces of 1 to max_piece bytes, the sizes drawn from a
// small generator seeded with seed. The pieces cover text in order.
// REQUIRES: max_piece >= 1.
std::vector<std::string_view> split_chunks(std::string_view text, uint32_t seed,
                                           size_t max_piece);

// A path in the temporary folder unique to this process, ending in suffix
// (".tgz", ".zip", ...). The file is not created.
std::string scratch_path(const std::string& suffix);

// Writes bytes to path, replacing it. False on failure.
bool write_bytes(const std::string& path, std::string_view bytes);

#endif  // DIRGEN_TESTS_FUZZ_FUZZ_UTIL_H_

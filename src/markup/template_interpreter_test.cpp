#include "markup/template_interpreter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "markup/template_run.h"

namespace {

const char kError[] =
    "<b>Error occurred while processing KVI directive.</b> Line # ";

std::string error_at(int line, int column) {
  return kError + std::to_string(line) + " Col # " + std::to_string(column);
}

class Template : public ::testing::Test {
 protected:
  void SetUp() override {
    set("files", {"a", "b"});
    set("name_files", {"x.txt", "y.txt"});
    set("show_summary", {variant(1)});
    set("zero", {variant(0)});
    set("title", {"T"});
    set("Title", {"U"});
    set("one", {"v"});
    set("three", {"1", "2", "3"});
    set("five", {"p", "q", "r", "s", "t"});
    set("flags", {variant(0), variant(1)});
    set("text0", {"0"});
    set("abc", {"abc"});
    set("half", {variant(0.5)});
    set("two", {"2"});
    vars_.insert_list("empty", std::make_unique<value_list>());
  }
  void set(const char* name, std::vector<variant> values) {
    for (variant& v : values) vars_.add(name, v);
  }
  // Runs text in chunks of chunk bytes; *ok receives the run's result.
  std::string run(const std::string& text, size_t chunk = kMarkupReadChunk,
                  bool* ok = nullptr) {
    std::string out, err;
    bool done = run_template_text(text, &view_, &out, &err, chunk);
    if (ok) *ok = done;
    return out;
  }
  // The caller's loop with the output list instead of a sink: push each
  // piece, parse, drain, take the output chunks off the front.
  // *block_open receives whether the input ended inside a block.
  std::string run_pieces(const std::vector<std::string>& pieces,
                         bool* block_open = nullptr) {
    template_interpreter interpreter;
    interpreter.set_variables(&view_);
    std::string out;
    variant chunk;
    for (size_t i = 0; i <= pieces.size(); ++i) {
      if (i < pieces.size()) {
        interpreter.push(variant(std::string_view(pieces[i])));
      } else {
        interpreter.set_end_of_input(true);
      }
      parse_status status = interpreter.parse();
      while (interpreter.drain(&chunk)) {
      }
      while (interpreter.output().shift(&chunk)) out += chunk.str();
      if (status != parse_status::more) break;
    }
    if (block_open) *block_open = interpreter.block_open();
    return out;
  }

  list_table vars_;
  table_variables view_{&vars_};
};

TEST_F(Template, RunsDirectives) {
  const std::pair<std::string, std::string> cases[] = {
      {"<ul><!--#for var=files--><li><!--#echo var=name_files--></li>"
       "<!--#endfor--></ul>",
       "<ul><li>x.txt</li><li>y.txt</li></ul>"},
      {"<!--#if var=show_summary-->S<!--#else-->N<!--#endif-->", "S"},
      {"<!--#if var=zero-->S<!--#else-->N<!--#endif-->", "N"},
      {"a<!--#if var=zero-->b<!--#endif-->c", "ac"},
      {"a\r\n<!-- c -->\n<p class='x'>b</p><!--x-->",
       "a\r\n<!-- c -->\n<p class='x'>b</p><!--x-->"},
      {"<!--#ECHO VAR=title-->|<!--#echo var=Title-->|<!--#echo var='title'-->",
       "T|U|T"},
      {"<!-- #echo var=title -->", "<!-- #echo var=title -->"},
      {"<!--#echo var=missing-->", "<!--#echo var=missing-->"},
      {"<!--#echo var=empty-->", "<!--#echo var=empty-->"},
      {"<!--#include file=x-->", "<!--#include file=x-->"},
      {"<!--#for var=three--><!--#echo var=one--><!--#endfor-->", "vvv"},
      {"<!--#for var=three--><!--#echo var=five--><!--#endfor-->", "pqr"},
      {"<!--#for var=files-->[<!--#for var=three-->(<!--#echo var=three-->)"
       "<!--#endfor-->]<!--#endfor-->",
       "[(1)(2)(3)][(1)(2)(3)]"},
      {"<!--#for var=flags--><!--#if var=flags-->Y<!--#else-->N<!--#endif-->"
       "<!--#endfor-->",
       "NY"},
      {"a<!--#for var=empty-->x<!--#endfor-->b", "ab"},
      {"<!--#else-->", "<!--#else-->"},
      {"ab\n<!--#endif-->", "ab\n<!--#endif-->" + error_at(2, 14)},
      {"<!--#endfor-->", "<!--#endfor-->" + error_at(1, 14)},
      {"<!--#if var=empty-->x<!--#else-->y<!--#endif-->",
       error_at(1, 20) + "xy"},
      {"<!--#for var=nope-->x<!--#echo var=title--><!--#if var=t-->y"
       "<!--#endif--><!--#endfor-->z",
       error_at(1, 20) + "xT<!--#if var=t-->y<!--#endif-->z"},
      {"<!--#for var=one-->ab<!--#endif--><!--#endfor-->",
       error_at(1, 34) + "ab<!--#endif-->" + error_at(1, 15)},
      {"a<!--#echo var=title", "a<!--#echo var=title"},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(run(text), expected) << text;
  }
}

TEST_F(Template, EchoEscapesForTheNamedEncoding) {
  set("hostile", {"a\"<b>&\\"});
  const std::pair<std::string, std::string> cases[] = {
      {"<!--#echo var=hostile encoding=json-->",
       "a\\\"\\u003Cb\\u003E\\u0026\\\\"},
      {"<!--#echo var=hostile Encoding='CSV'-->", "a\"\"<b>&\\"},
      {"<!--#echo var=hostile encoding=html-->", "a&quot;&lt;b&gt;&amp;\\"},
      // Inside loops each pass encodes its own value.
      {"<!--#for var=files--><!--#echo var=name_files encoding=markdown-->,"
       "<!--#endfor-->",
       "x\\.txt,y\\.txt,"},
      // Missing variables stay as they are; an unknown encoding is an error,
      // never the raw value.
      {"<!--#echo var=missing encoding=json-->",
       "<!--#echo var=missing encoding=json-->"},
      {"<!--#echo var=hostile encoding=js-->", error_at(1, 36)},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(run(text), expected) << text;
  }
}

TEST_F(Template, ConditionsReadValuesAsIntegers) {
  const std::pair<const char*, const char*> cases[] = {
      {"text0", "N"},
      {"abc", "N"},
      {"half", "N"},
      {"two", "Y"},
  };
  for (const auto& [var, expected] : cases) {
    std::string text =
        std::string("<!--#if var=") + var + "-->Y<!--#else-->N<!--#endif-->";
    EXPECT_EQ(run(text), expected) << var;
  }
}

TEST_F(Template, OpenBlockAtTheEndDropsWhatItCollected) {
  bool open = false;
  EXPECT_EQ(run_pieces({"<!--#if var=show_summary-->x<b>y"}, &open), "<b>y");
  EXPECT_TRUE(open);
  bool ok = false;
  EXPECT_EQ(run("<!--#if var=show_summary-->x<b>y", kMarkupReadChunk, &ok),
            "<b>y");
  EXPECT_TRUE(ok);  // no error: the whole template was read and written
  EXPECT_EQ(run_pieces({"<!--#for var=nope-->x"}, &open),
            error_at(1, 20) + "x");
  EXPECT_FALSE(open);
}

TEST_F(Template, EverySplitPositionGivesTheSameOutput) {
  const std::string text =
      "<p>\r\n<!--#for var=files--><li a=\"<!--#echo var=name_files-->\">"
      "<!--#if var=flags-->on<!--#else-->off<!--#endif--></li>"
      "<!--#endfor--><!-- x --><!--#echo var=\"ti\\\"tle\"-->"
      "<!--#echo var='title'--></p>";
  const std::string expected =
      "<p>\r\n<li a=\"x.txt\">off</li><li a=\"y.txt\">on</li><!-- x -->"
      "<!--#echo var=\"ti\\\"tle\"-->T</p>";
  ASSERT_EQ(run_pieces({text}), expected);
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    ASSERT_EQ(run_pieces({text.substr(0, cut), text.substr(cut)}), expected)
        << cut;
    for (size_t cut2 = cut; cut2 <= text.size(); cut2 += 11) {
      ASSERT_EQ(run_pieces({text.substr(0, cut), text.substr(cut, cut2 - cut),
                            text.substr(cut2)}),
                expected)
          << cut << " " << cut2;
    }
  }
  for (size_t chunk = 1; chunk < 40; ++chunk) {
    ASSERT_EQ(run(text, chunk), expected) << chunk;
  }
}

TEST_F(Template, DirectiveAcrossTheChunkBoundary) {
  for (size_t before = kMarkupReadChunk - 25; before <= kMarkupReadChunk;
       ++before) {
    std::string pad(before, 'a');
    std::string text = pad + "<!--#echo var=title-->" + "\r\nend";
    ASSERT_EQ(run(text), pad + "T\r\nend") << before;
  }
}

TEST_F(Template, DeepNestingIsRefusedNotRecursed) {
  for (const char* kind : {"if var=show_summary", "for var=one"}) {
    std::string open = std::string("<!--#") + kind + "-->";
    std::string close = kind[0] == 'i' ? "<!--#endif-->" : "<!--#endfor-->";
    for (int depth : {template_interpreter::kMaxBlockNesting,
                      template_interpreter::kMaxBlockNesting + 1, 10000}) {
      std::string text;
      for (int i = 0; i < depth; ++i) text += open + "x";
      for (int i = 0; i < depth; ++i) text += close;
      bool ok = false;
      std::string out = run(text, kMarkupReadChunk, &ok);
      EXPECT_TRUE(ok) << kind << depth;
      if (depth <= template_interpreter::kMaxBlockNesting) {
        EXPECT_EQ(out, std::string(depth, 'x')) << kind;
      } else {  // the error stands at the outermost closing directive
        EXPECT_EQ(out, error_at(1, static_cast<int>(text.size()))) << kind;
      }
    }
  }
}

TEST_F(Template, PlainTextStreamsInBoundedChunks) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::tmpfile(), std::fclose);
  ASSERT_TRUE(file);
  std::string line = "<p>plain text with a <b>tag</b> and no directives\r\n";
  std::string block(1 << 20, 'z');  // a megabyte without any '<'
  size_t total = 0;
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 20000; ++j) {
      std::fwrite(line.data(), 1, line.size(), file.get());
      total += line.size();
    }
    std::fwrite(block.data(), 1, block.size(), file.get());
    total += block.size();
  }
  std::rewind(file.get());
  size_t written = 0, largest = 0, calls = 0;
  std::function<bool(std::string_view)> write = [&](std::string_view s) {
    written += s.size();
    largest = std::max(largest, s.size());
    ++calls;
    return true;
  };
  std::string err;
  EXPECT_TRUE(run_template_file(file.get(), &view_, write, &err));
  EXPECT_EQ(written, total);
  EXPECT_LE(largest, 2 * kMarkupReadChunk);

  std::rewind(file.get());
  calls = 0;
  std::function<bool(std::string_view)> refuse = [&](std::string_view) {
    ++calls;
    return false;
  };
  EXPECT_FALSE(run_template_file(file.get(), &view_, refuse, &err));
  EXPECT_EQ(err, "the output could not be written");
  EXPECT_EQ(calls, 1u);
}

TEST_F(Template, LoopOutputStreamsAndStopsOnWriteFailure) {
  std::vector<variant> many(5000, variant("n"));
  set("many", many);
  std::string text = "<!--#for var=many--><!--#echo var=many-->,<!--#endfor-->";
  std::string out, err;
  EXPECT_TRUE(run_template_text(text, &view_, &out, &err));
  EXPECT_EQ(out.size(), 10000u);
  size_t calls = 0;
  std::function<bool(std::string_view)> refuse = [&](std::string_view) {
    return ++calls < 3;
  };
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::tmpfile(), std::fclose);
  std::fwrite(text.data(), 1, text.size(), file.get());
  std::rewind(file.get());
  EXPECT_FALSE(run_template_file(file.get(), &view_, refuse, &err));
  EXPECT_EQ(calls, 3u);
}

}  // namespace

namespace {

// Later passes over a block replay what the first pass read: everything that
// depends on the pass (the selected values, true or false branches, errors
// with their positions, text left open at the end) must still come out as
// if each pass read the block anew.
TEST_F(Template, EveryPassOfALoopBehavesAsIfItReadTheBlockAnew) {
  set("flag3", {variant(1), variant(0), variant(1)});
  EXPECT_EQ(run("<!--#for var=three-->[<!--#echo var=three-->"
                "<!--#if var=flag3-->Y<!--#else-->N<!--#endif-->]"
                "<!--#endfor-->"),
            "[1Y][2N][3Y]");
  // Text after the last directive of a pass goes out whatever the branch.
  EXPECT_EQ(run("<!--#for var=three--><!--#if var=flag3-->a<!--#else-->b"
                "<!--#endif-->c<!--#endfor-->"),
            "acbcac");
  // A stray endif inside the block: once at the top level while collecting,
  // then in each pass at its position within the block.
  EXPECT_EQ(run("<!--#for var=flags-->x\n<!--#endif--><!--#endfor-->"),
            error_at(2, 14) + "x\n<!--#endif-->" + error_at(2, 14) +
                "x\n<!--#endif-->" + error_at(2, 14));
}

// The first directive an error message was written for, placed at its first
// byte in the whole template however deep in blocks it ran, so a caller can
// refuse the output and say where to look.
TEST_F(Template, TheFirstFaultIsPlacedInTheWholeTemplate) {
  struct Case {
    const char* text;
    int line;
    int column;
    const char* what;
  } cases[] = {
      {"plain <!--#echo var=one--> and <!--#echo var=nope-->", 0, 0, ""},
      {"x<!--#echo var=one encoding=xml-->", 1, 2, "unknown encoding xml"},
      {"ab<!--#for var=three-->cd<!--#if var=nope--><!--#endif-->"
       "<!--#endfor-->",
       1, 26, "if on nope, which a listing without such entries does not have"},
      {"<!--#for var=three-->\n<!--#if var=show_summary-->\n"
       "  <!--#for var=nope--><!--#endfor-->\n<!--#endif--><!--#endfor-->",
       3, 3,
       "for over nope, which a listing without such entries does not have"},
      {"<!--#if var=zero-->a<!--#else-->\n<!--#if var=empty-->"
       "<!--#endif--><!--#endif-->",
       2, 1, "if on empty, which is empty here"},
      {"a\nbc <!--#endfor-->", 2, 4, "endfor without for"},
      {"<!--#endif--><!--#endfor-->", 1, 1, "endif without if"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    for (size_t chunk : {size_t{3}, kMarkupReadChunk}) {
      std::string out, err;
      template_fault fault;
      fault.line = -1;
      run_template_text(c.text, &view_, &out, &err, chunk, &fault);
      EXPECT_EQ(fault.line, c.line);
      EXPECT_EQ(fault.column, c.column);
      EXPECT_EQ(fault.what, c.what);
    }
  }
}

}  // namespace

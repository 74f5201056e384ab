#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> split(std::string_view line) {
  kvarr args;
  split_command_line(line, &args);
  std::vector<std::string> out;
  for (int32_t i = 0; i < args.size(); ++i) out.push_back(args[i].str());
  return out;
}

TEST(Startup, RoleComesFromTheLowerCasedBaseName) {
  EXPECT_EQ(role_from_program_name("kdgn20"), app_role::application);
  EXPECT_EQ(role_from_program_name("/usr/bin/KDGN20.EXE"),
            app_role::application);
  EXPECT_EQ(role_from_program_name("./SETUP.EXE"), app_role::installer);
  EXPECT_EQ(role_from_program_name("/tmp/x/setup"), app_role::installer);
  EXPECT_EQ(role_from_program_name("Setup-1.exe"), app_role::none);
  EXPECT_EQ(role_from_program_name("kdgn20-copy"), app_role::none);
  EXPECT_EQ(role_from_program_name("/opt/kdgn20/other"), app_role::none);
  EXPECT_EQ(role_from_program_name(""), app_role::none);
}

TEST(Startup, CommandLineSplitsAtBlanksOutsideQuotes) {
  using V = std::vector<std::string>;
  EXPECT_EQ(split("a b"), (V{"a", "b"}));
  EXPECT_EQ(split("  a   b  "), (V{"a", "b"}));
  EXPECT_EQ(split("\"C:\\My Files\\x.txt\""), (V{"C:\\My Files\\x.txt"}));
  EXPECT_EQ(split("\"\""), (V{""}));
  EXPECT_EQ(split("ab\"c"), (V{"abc"}));
  EXPECT_EQ(split("a\tb"), (V{"a\tb"}));  // tabs are ordinary bytes
  EXPECT_EQ(split("\"open quote runs on"), (V{"open quote runs on"}));
  EXPECT_EQ(split("\"a b\"c d"), (V{"a b", "c", "d"}));
  EXPECT_EQ(split(""), V{});
}

}  // namespace

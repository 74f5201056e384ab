#include "app/startup.h"

#include <gtest/gtest.h>

namespace {

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

}  // namespace

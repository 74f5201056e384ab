#include "setup/uninstall.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "setup/setup_test_util.h"
#include "setup/setup_wizard.h"

namespace fs = std::filesystem;

namespace {

bool has_line(const std::string& output, const std::string& line) {
  return ("\n" + output).find("\n" + line + "\n") != std::string::npos;
}

class Uninstall : public ::testing::Test {
 protected:
  void SetUp() override {
    dist_ = work_.path() + "/dist";
    make_distribution(dist_);
    fs::copy_file(DIRGEN_REMOVE_PROGRAM, dist_ + "/remove",
                  fs::copy_options::overwrite_existing);
  }
  // Installs into folder; returns the installation folder.
  std::string install(const std::string& folder) {
    setup_wizard wizard(dist_, work_.path(), &services_);
    wizard.next();
    wizard.next();
    wizard.set_edit_text(folder);
    wizard.next();
    EXPECT_EQ(wizard.page(), 3);
    EXPECT_EQ(services_.messages, std::vector<std::string>{});
    return wizard.destination();
  }
  // Everything the installations may touch, for before/after comparisons.
  std::map<std::string, std::string> everything() {
    std::map<std::string, std::string> all;
    for (const std::string& top :
         {desktop_.home(), work_.path(),
          fs::path(desktop_.machine_records()).parent_path().string(),
          fs::path(desktop_.user_records()).parent_path().string(),
          desktop_.system_prefix()}) {
      for (const auto& [path, content] : snapshot(top))
        all[top + "/" + path] = content;
    }
    return all;
  }

  isolated_desktop desktop_;
  scratch_folder work_;
  std::string dist_;
  fake_services services_;
};

TEST_F(Uninstall, RemoveLeavesNothingOfAPerUserOrMachineWideInstallation) {
  for (bool for_everyone : {true, false}) {
    SCOPED_TRACE(for_everyone ? "for everyone" : "per user");
    if (!for_everyone) desktop_.forbid_machine_records();
    auto before = everything();
    std::string inst = install(desktop_.home() + "/Apps");
    std::string menu =
        for_everyone ? desktop_.system_applications() : desktop_.applications();
    ASSERT_TRUE(fs::exists(menu + "/dirgen.desktop"));

    program_run removed = run_program(inst + "remove");
    EXPECT_EQ(removed.status, 0) << removed.output;
    EXPECT_TRUE(has_line(removed.output, "Removed " + inst + "kdgn20"))
        << removed.output;
    EXPECT_TRUE(has_line(removed.output, "Removed " + menu)) << removed.output;
    EXPECT_TRUE(has_line(removed.output, "Dirgen 2.0 has been removed."));
    EXPECT_EQ(removed.output.find("Kept "), std::string::npos)
        << removed.output;
    EXPECT_EQ(everything(), before) << "no file or folder left behind";

    removed = run_program(inst + "remove");
    EXPECT_EQ(removed.status, 127) << "the program removed itself";
    fs::create_directories(inst);
    fs::copy_file(DIRGEN_REMOVE_PROGRAM, inst + "remove");
    removed = run_program(inst + "remove");
    EXPECT_EQ(removed.output, "Dirgen 2.0 is not installed in " + inst + ".\n");
    EXPECT_EQ(removed.status, 1);
    fs::remove_all(desktop_.home() + "/Apps");
  }
}

TEST_F(Uninstall, AfterAReinstallKeepsTheFilesTheUserChangedOrMadeAndSaysSo) {
  std::string inst = install(desktop_.home() + "/Apps");
  std::ofstream(inst + "kvdata/README") << "edited by the user";
  std::ofstream(inst + "kvdata/mine.txt") << "my template";
  std::ofstream(inst + "notes.txt") << "mine";
  std::ofstream(inst + "kvdata/styles.txt", std::ios::app)
      << "<style_name>Mine</style_name><style_file>mine.txt</style_file>\n";
  // A new version changes the same files and is installed over it.
  std::ofstream(dist_ + "/kvdata/README") << "new readme";
  std::ofstream(dist_ + "/kvdata/styles.txt", std::ios::app)
      << "<style_name>New</style_name><style_file>new.txt</style_file>\n";
  ASSERT_EQ(install(desktop_.home() + "/Apps"), inst);
  ASSERT_TRUE(fs::exists(inst + "kvdata/README.dist"));

  program_run removed = run_program(inst + "remove");
  EXPECT_EQ(removed.status, 0) << removed.output;
  for (const char* line : {"kvdata/README (changed since it was installed)",
                           "kvdata/styles.txt (changed since it was installed)",
                           "kvdata/mine.txt (not installed by setup)",
                           "kvdata/styles.txt.old (not installed by setup)",
                           "notes.txt (not installed by setup)"}) {
    EXPECT_TRUE(has_line(removed.output, "Kept " + inst + line))
        << line << "\n"
        << removed.output;
  }
  EXPECT_TRUE(has_line(removed.output, "Dirgen 2.0 has been removed."));
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(inst)) {
    if (!entry.is_directory())
      left.push_back(fs::relative(entry.path(), inst).string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{
                      "kvdata/README", "kvdata/mine.txt", "kvdata/styles.txt",
                      "kvdata/styles.txt.old", "notes.txt"}));
  EXPECT_FALSE(fs::exists(inst + "images")) << "emptied, so removed";
  EXPECT_FALSE(fs::exists(desktop_.machine_records()));
  EXPECT_FALSE(fs::exists(desktop_.system_prefix() + "/share"));
  install_record record;
  EXPECT_FALSE(find_installation(inst, &record));
}

TEST_F(Uninstall, TwoInstallationsAreRemovedIndependently) {
  desktop_.forbid_machine_records();
  auto before = everything();
  std::string first = install(desktop_.home() + "/.local/opt/Kovix");
  std::string second = install(desktop_.home() + "/apps");

  program_run removed = run_program(second + "remove");
  EXPECT_EQ(removed.status, 0) << removed.output;
  EXPECT_FALSE(fs::exists(second));
  EXPECT_TRUE(is_runnable(first + "kdgn20"));
  EXPECT_TRUE(
      has_line(removed.output, "Kept " + desktop_.icons() +
                                   "/dirgen.svg (used by the installation in " +
                                   first + ")"))
      << removed.output;
  install_record record;
  EXPECT_TRUE(find_installation(first, &record));
  std::string entry = desktop_.applications() + "/dirgen.desktop";
  EXPECT_TRUE(has_line(removed.output, "Restored " + entry +
                                           " for the installation in " + first))
      << removed.output;
  std::ifstream in(entry);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Exec=" + first + "kdgn20\n"), std::string::npos)
      << "the menu starts the installation that is left";

  removed = run_program(first + "remove");
  EXPECT_EQ(removed.status, 0) << removed.output;
  EXPECT_EQ(everything(), before);
}

// True when every folder above path lets others through.
bool others_can_reach(const std::string& path) {
  for (fs::path p = fs::path(path).parent_path(); p != p.root_path();
       p = p.parent_path()) {
    struct stat st;
    if (::stat(p.c_str(), &st) != 0 || (st.st_mode & S_IXOTH) == 0)
      return false;
  }
  return true;
}

TEST_F(Uninstall, MachineWideRemovalWithoutTheRightsChangesNothing) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  if (!others_can_reach(work_.path()))
    GTEST_SKIP() << "the temporary folder is closed to other users";
  // Let nobody reach the installation, so that only the rights are missing.
  for (const std::string& folder :
       {work_.path(), desktop_.home(),
        fs::path(desktop_.machine_records()).parent_path().string(),
        desktop_.system_prefix()})
    ::chmod(folder.c_str(), 0755);
  std::string inst = install(work_.path() + "/Apps");
  auto before = everything();
  program_run removed = run_program(inst + "remove", true);
  EXPECT_EQ(removed.status, 1) << removed.output;
  EXPECT_EQ(removed.output,
            "Dirgen 2.0 was not removed: removing the installation in " + inst +
                " needs write permission on " +
                inst.substr(0, inst.size() - 1) +
                ".\nIt was installed for everyone: run remove as root "
                "(sudo).\n");
  EXPECT_EQ(everything(), before);
}

}  // namespace

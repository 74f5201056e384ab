#include "setup/uninstall.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/registry.h"
#include "setup/setup_test_util.h"
#include "setup/setup_wizard.h"

namespace fs = std::filesystem;

namespace {

// Runs program and returns its standard output; *status gets its exit code.
std::string run(const std::string& program, int* status) {
  std::string output;
  FILE* pipe = ::popen(("'" + program + "' 2>&1").c_str(), "r");
  if (pipe == nullptr) return "<popen failed>";
  char buffer[512];
  while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
    output.append(buffer, n);
  int raw = ::pclose(pipe);
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

class Uninstall : public ::testing::Test {
 protected:
  void SetUp() override {
    dist_ = work_.path() + "/dist";
    make_distribution(dist_);
    fs::copy_file(DIRGEN_REMOVE_PROGRAM, dist_ + "/remove",
                  fs::copy_options::overwrite_existing);
    // What any desktop user has before installing anything.
    fs::create_directories(desktop_.applications());
    fs::create_directories(desktop_.home() + "/Apps");
    fs::create_directories(desktop_.home() + "/.local/opt");
    fs::create_directories(desktop_.user_root());
    std::ofstream(desktop_.applications() + "/editor.desktop") << "[Desktop]\n";
  }
  // Installs into ~/Apps; returns the installation folder.
  std::string install() {
    setup_wizard wizard(dist_, work_.path(), &services_);
    wizard.next();
    wizard.next();
    wizard.set_edit_text(desktop_.home() + "/Apps");
    wizard.next();
    EXPECT_EQ(wizard.page(), 3);
    EXPECT_EQ(services_.messages, std::vector<std::string>{});
    return wizard.destination();
  }

  isolated_desktop desktop_;
  scratch_folder work_;
  std::string dist_;
  fake_services services_;
};

TEST_F(Uninstall, RemoveUndoesAPerUserInstallationExactly) {
  desktop_.forbid_machine_root();
  auto home_before = snapshot(desktop_.home());
  auto registry_before = snapshot(desktop_.user_root());
  std::string inst = install();
  ASSERT_NE(snapshot(desktop_.home()), home_before);

  int status = -1;
  std::string output = run(inst + "remove", &status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("Removed " + inst + "kdgn20\n"), std::string::npos)
      << output;
  EXPECT_NE(output.find("Removed registry key Software/Kovix/DGN2\n"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("Dirgen 2.0 has been removed.\n"), std::string::npos);
  EXPECT_EQ(output.find("Left "), std::string::npos) << output;
  EXPECT_EQ(snapshot(desktop_.home()), home_before);
  EXPECT_EQ(snapshot(desktop_.user_root()), registry_before);

  EXPECT_EQ(run(DIRGEN_REMOVE_PROGRAM, &status),
            "Dirgen 2.0 is not installed.\n");
  EXPECT_EQ(status, 1);
}

TEST_F(Uninstall, KeepsWhatTheInstallerDidNotMake) {
  std::string inst = install();
  std::string menu = desktop_.applications() + "/Kovix Dirgen";
  std::ofstream(inst + "notes.txt") << "mine";
  fs::create_directories(inst + "kvdata/my-styles");
  std::ofstream(menu + "/Other.desktop") << "[Desktop Entry]\n";
  create_registry_key(registry_root::machine, kvval("Software/Kovix/Other"));

  installation_record record;
  ASSERT_TRUE(find_installation("/elsewhere/", &record));
  EXPECT_EQ(record.root, registry_root::machine);
  uninstall_report report;
  uninstall(record, &report);

  EXPECT_TRUE(fs::exists(inst + "notes.txt"));
  EXPECT_TRUE(fs::is_directory(inst + "kvdata/my-styles"));
  EXPECT_FALSE(fs::exists(inst + "kvdata/styles.txt"));
  EXPECT_FALSE(fs::exists(inst + "kdgn20"));
  EXPECT_TRUE(fs::exists(menu + "/Other.desktop"));
  EXPECT_FALSE(fs::exists(menu + "/Help.desktop"));
  EXPECT_TRUE(fs::exists(desktop_.applications() + "/editor.desktop"));
  EXPECT_EQ(report.kept.size(), 3u);  // kvdata, the folder, the menu folder
  kvhash none;
  EXPECT_FALSE(read_registry(registry_root::machine,
                             kvval("Software/Kovix/DGN2"), &none));
  EXPECT_TRUE(read_registry(registry_root::machine,
                            kvval("Software/Kovix/Other"), &none));
  EXPECT_FALSE(read_registry(registry_root::machine,
                             kvval("Software/Microsoft"), &none));
}

TEST_F(Uninstall, RecordPointingOutsideAnInstallationTouchesNoFiles) {
  std::ofstream(desktop_.home() + "/readme.txt") << "user's own";
  std::ofstream(desktop_.applications() + "/Help.desktop") << "user's own";
  installation_record record;
  record.root = registry_root::machine;
  record.inst_dir = desktop_.home() + "/";
  record.icon_dir = desktop_.applications();
  auto before = snapshot(desktop_.home());
  uninstall_report report;
  uninstall(record, &report);
  EXPECT_EQ(snapshot(desktop_.home()), before);
  EXPECT_EQ(report.removed, std::vector<std::string>{});
  EXPECT_EQ(report.kept.size(), 2u);
}

TEST_F(Uninstall, FindsTheInstallationItBelongsTo) {
  for (auto root : {registry_root::machine, registry_root::current_user}) {
    create_registry_key(root, kvval("Software/Kovix/DGN2"));
    kvhash values;
    std::string folder =
        root == registry_root::machine ? "/opt/Kovix/DGN2/" : "/u/DGN2/";
    values.put(kvval("inst_dir"), kvval(std::string_view(folder)));
    write_registry(root, kvval("Software/Kovix/DGN2"), &values);
  }
  installation_record record;
  ASSERT_TRUE(find_installation("/u/DGN2/", &record));
  EXPECT_EQ(record.root, registry_root::current_user);
  ASSERT_TRUE(find_installation("/other/", &record));
  EXPECT_EQ(record.root, registry_root::machine);
  EXPECT_EQ(record.inst_dir, "/opt/Kovix/DGN2/");
}

}  // namespace

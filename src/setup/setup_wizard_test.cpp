#include "setup/setup_wizard.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/registry.h"
#include "platform/user_folders.h"
#include "project/number_format.h"
#include "setup/distribution.h"
#include "setup/setup_test_util.h"

namespace fs = std::filesystem;

namespace {

constexpr char kPrevious[] =
    "Previous version of software is detected. It is highly recommended that "
    "you install current version to the same directory.";

std::string registry_text(registry_root root, const char* key,
                          const char* name) {
  kvhash values;
  values.put(kvval(name), kvval("<none>"));
  if (!read_registry(root, kvval(key), &values)) return "<no key>";
  kvval value;
  values.get(kvval(name), &value);
  return value.str();
}

std::string default_program_destination() {
  kvval folder;
  program_files_folder(&folder);
  return folder.str() + "/Kovix";
}

class SetupWizard : public ::testing::Test {
 protected:
  void SetUp() override {
    dist_ = work_.path() + "/dist";
    total_ = make_distribution(dist_);
    target_ = desktop_.home() + "/Apps";
  }
  std::unique_ptr<setup_wizard> start() {
    auto wizard =
        std::make_unique<setup_wizard>(dist_, work_.path(), &services_);
    wizard->on_progress = [this](int p) { progress_.push_back(p); };
    return wizard;
  }
  // From page 0 to the destination page.
  std::unique_ptr<setup_wizard> at_destination_page() {
    auto wizard = start();
    wizard->next();
    wizard->next();
    EXPECT_EQ(wizard->page(), 2);
    return wizard;
  }
  std::string inst() const { return target_ + "/DGN2/"; }

  isolated_desktop desktop_;
  scratch_folder work_;
  std::string dist_, target_;
  uint64_t total_ = 0;
  fake_services services_;
  std::vector<int> progress_;
};

TEST_F(SetupWizard, InstallsEveryFileRecordsItAndEndsAtHundred) {
  auto wizard = start();
  EXPECT_EQ(wizard->page(), 0);
  EXPECT_EQ(wizard->total_size(), total_);
  EXPECT_EQ(wizard->required_space(),
            "The program requires " +
                format_integer(user_number_format(), total_ / 1024 + 1) +
                " Kb of the disk space.");
  wizard->next();
  EXPECT_EQ(wizard->license_text(), "Licence line 1\nLicence line 2\n");
  wizard->next();
  EXPECT_EQ(wizard->edit_text(), default_program_destination());
  EXPECT_EQ(wizard->notice(), "");
  wizard->set_edit_text(target_);
  wizard->next();
  ASSERT_EQ(services_.messages, std::vector<std::string>{});
  EXPECT_EQ(wizard->page(), 3);
  EXPECT_EQ(wizard->destination(), inst());
  EXPECT_EQ(progress_.front(), 2);
  EXPECT_EQ(progress_.back(), 100);

  for (const char* name :
       {"remove", "readme.txt", "license.txt", "help.html", "dirgen.gif",
        "kvdata/styles.txt", "kvdata/README", "images/folder.svg"}) {
    EXPECT_EQ(read_file(inst() + name), read_file(dist_ + "/" + name)) << name;
  }
  EXPECT_FALSE(fs::exists(inst() + "setup"));
  EXPECT_EQ(read_file(inst() + "kdgn20"), read_file(dist_ + "/setup"));
  EXPECT_TRUE(is_runnable(inst() + "kdgn20"));
  EXPECT_TRUE(is_runnable(inst() + "remove"));
  EXPECT_FALSE(fs::exists(inst() + "kvdata/sub")) << "only files are copied";

  std::string menu = desktop_.applications() + "/Kovix Dirgen";
  auto machine = registry_root::machine;
  EXPECT_EQ(registry_text(machine, "Software/Kovix/DGN2", "inst_dir"), inst());
  EXPECT_EQ(registry_text(machine, "Software/Kovix/DGN2", "icon_dir"), menu);
  const char* uninstall_key =
      "Software/Microsoft/Windows/CurrentVersion/Uninstall/kdgn2";
  EXPECT_EQ(registry_text(machine, uninstall_key, "DisplayName"), "Dirgen 2.0");
  EXPECT_EQ(registry_text(machine, uninstall_key, "UninstallString"),
            inst() + "remove");
  EXPECT_EQ(registry_text(registry_root::current_user, "Software/Kovix/DGN2",
                          "inst_dir"),
            "<no key>");

  std::string program = read_file(menu + "/Kovix Dirgen 2.0.desktop");
  EXPECT_NE(program.find("Name=Kovix Dirgen 2.0\n"), std::string::npos);
  EXPECT_NE(program.find("Exec=" + inst() + "kdgn20\n"), std::string::npos);
  EXPECT_NE(program.find("Path=" + inst() + "\n"), std::string::npos);
  std::string help = read_file(menu + "/Help.desktop");
  EXPECT_NE(help.find("Exec=xdg-open " + inst() + "help.html\n"),
            std::string::npos);
}

TEST_F(SetupWizard, WithoutMachineStoreRightsInstallsForTheUser) {
  desktop_.forbid_machine_root();
  auto wizard = at_destination_page();
  wizard->set_edit_text(target_);
  wizard->next();
  ASSERT_EQ(wizard->page(), 3);
  EXPECT_EQ(registry_text(registry_root::current_user, "Software/Kovix/DGN2",
                          "inst_dir"),
            inst());
  EXPECT_EQ(registry_text(registry_root::current_user,
                          "Software/Microsoft/Windows/CurrentVersion/"
                          "Uninstall/kdgn2",
                          "UninstallString"),
            inst() + "remove");
}

TEST_F(SetupWizard, SecondInstallationOverwritesTheFirst) {
  auto first = at_destination_page();
  first->set_edit_text(target_);
  first->next();
  std::ofstream(dist_ + "/setup") << "new program";
  auto second = at_destination_page();
  EXPECT_EQ(second->edit_text(), target_);
  second->next();
  EXPECT_EQ(second->page(), 3);
  EXPECT_EQ(read_file(inst() + "kdgn20"), "new program");
  EXPECT_TRUE(is_runnable(inst() + "kdgn20"));
}

TEST_F(SetupWizard, IncompleteDistributionIsToldAndEndsTheWizard) {
  for (const char* missing : {"remove", "dirgen.gif", "images", "kvdata"}) {
    SCOPED_TRACE(missing);
    scratch_folder other;
    dist_ = other.path();
    make_distribution(dist_);
    fs::remove_all(dist_ + "/" + missing);
    services_.messages.clear();
    auto wizard = start();
    EXPECT_TRUE(wizard->incomplete());
    EXPECT_TRUE(wizard->closed());
    EXPECT_EQ(services_.messages,
              std::vector<std::string>{"The distribution is incomplete.\n"
                                       "Terminating."});
    EXPECT_EQ(services_.icons.back(), message_icon::error);
  }
}

TEST_F(SetupWizard, UnreadableLicenceEndsTheWizard) {
  auto wizard = start();
  fs::remove(dist_ + "/license.txt");
  wizard->next();
  EXPECT_EQ(services_.messages, std::vector<std::string>{"File error"});
  EXPECT_TRUE(wizard->closed());
}

TEST_F(SetupWizard, PreviousInstallationProposesItsParentFolder) {
  struct {
    std::string recorded, proposed;
  } cases[] = {{"/srv/Apps/Kovix/DGN2/", "/srv/Apps/Kovix"},
               {"/srv/Tools/", "/srv/Tools"},
               {"/DGN2/", "/"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.recorded);
    create_registry_key(registry_root::machine, kvval("Software/Kovix/DGN2"));
    kvhash values;
    values.put(kvval("inst_dir"), kvval(std::string_view(c.recorded)));
    write_registry(registry_root::machine, kvval("Software/Kovix/DGN2"),
                   &values);
    auto wizard = at_destination_page();
    EXPECT_EQ(wizard->edit_text(), c.proposed);
    EXPECT_EQ(wizard->notice(), kPrevious);
  }
}

TEST_F(SetupWizard, InstallsAgainIntoThePreviousFolder) {
  auto first = at_destination_page();
  first->set_edit_text(target_ + "/Kovix");
  first->next();
  ASSERT_EQ(first->page(), 3);
  auto second = at_destination_page();
  EXPECT_EQ(second->edit_text(), target_ + "/Kovix");
  second->next();
  EXPECT_EQ(second->destination(), target_ + "/Kovix/DGN2/");
}

TEST_F(SetupWizard, DestinationTextIsNormalised) {
  struct {
    std::string typed, installed;
  } cases[] = {
      {target_ + "/", target_ + "/DGN2/"},
      {target_ + "//", target_ + "/DGN2/"},
      {"E:/Apps/", work_.path() + "/E:/Apps/DGN2/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    auto wizard = at_destination_page();
    wizard->set_edit_text(c.typed);
    wizard->next();
    EXPECT_EQ(wizard->page(), 3);
    EXPECT_EQ(wizard->destination(), c.installed);
    EXPECT_TRUE(is_runnable(c.installed + "kdgn20"));
  }
}

TEST_F(SetupWizard, RefusalsBeforeCopyingStayOnTheDestinationPage) {
  struct {
    std::string typed;
    uint64_t free_bytes;
    bool known;
    std::string message;
  } cases[] = {
      {"", 1 << 30, true, "Please select a destination folder."},
      {target_, 1 << 30, false,
       "There is a problem in getting the drive information. Please select "
       "another drive for installation."},
      {target_, total_ - 1, true,
       "Not enough free space on the drive. Please select another drive for "
       "installation."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    services_.messages.clear();
    services_.free_bytes = c.free_bytes;
    services_.space_known = c.known;
    auto wizard = at_destination_page();
    bool started = false;
    wizard->on_install_start = [&started] { started = true; };
    wizard->set_edit_text(c.typed);
    wizard->next();
    EXPECT_EQ(services_.messages, std::vector<std::string>{c.message});
    EXPECT_EQ(services_.icons.back(), message_icon::warning);
    EXPECT_EQ(wizard->page(), 2);
    EXPECT_EQ(wizard->edit_text(), c.typed) << "the screen is unchanged";
    EXPECT_FALSE(started);
    EXPECT_FALSE(fs::exists(target_));
  }
}

TEST_F(SetupWizard, FreeSpaceIsAskedOfTheNearestExistingFolder) {
  auto wizard = at_destination_page();
  wizard->set_edit_text(target_ + "/not/yet");
  wizard->next();
  EXPECT_EQ(services_.asked_folder, desktop_.home());
}

TEST_F(SetupWizard, FailuresAfterStartGoBackToTheDefaults) {
  std::string blocker = work_.path() + "/plain-file";
  std::ofstream(blocker) << "x";
  auto wizard = at_destination_page();
  wizard->set_edit_text(blocker + "/Apps");
  wizard->next();
  EXPECT_EQ(services_.messages,
            std::vector<std::string>{
                "Destination folder can not be created. Please select another "
                "directory for installation."});
  EXPECT_EQ(wizard->page(), 2);
  EXPECT_EQ(wizard->edit_text(), default_program_destination());
  EXPECT_FALSE(wizard->closed());
}

TEST_F(SetupWizard, UnwritableRegistryGoesBack) {
  desktop_.forbid_registry();
  auto wizard = at_destination_page();
  wizard->set_edit_text(target_);
  wizard->next();
  EXPECT_EQ(services_.messages,
            std::vector<std::string>{
                "Setup can't write to system registry.The probable reason is "
                "either you don't have enough rights or registry is corrupt."});
  EXPECT_EQ(wizard->page(), 2);
  EXPECT_EQ(wizard->edit_text(), default_program_destination());
  EXPECT_TRUE(fs::is_directory(inst())) << "made before the failure";
  EXPECT_FALSE(fs::exists(inst() + "kdgn20"));
}

TEST_F(SetupWizard, BackFromDestinationPageResetsTheDestination) {
  auto wizard = at_destination_page();
  wizard->set_edit_text("/somewhere/else");
  wizard->back();
  EXPECT_EQ(wizard->page(), 1);
  wizard->next();
  EXPECT_EQ(wizard->edit_text(), default_program_destination());
  wizard->back();
  wizard->back();
  EXPECT_EQ(wizard->page(), 0);
  wizard->back();
  EXPECT_EQ(wizard->page(), 0);
}

TEST(RequiredSpace, CountsWholeKilobytesPlusOneInTheUserFormat) {
  number_format_record fmt;
  fmt.thousand_sep = ",";
  fmt.decimal_sep = ".";
  EXPECT_EQ(required_space_line(2048, fmt),
            "The program requires 3 Kb of the disk space.");
  EXPECT_EQ(required_space_line(0, fmt),
            "The program requires 1 Kb of the disk space.");
  EXPECT_EQ(required_space_line(5000000, fmt),
            "The program requires 4,883 Kb of the disk space.");
}

}  // namespace

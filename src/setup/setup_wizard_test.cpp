#include "setup/setup_wizard.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/checksum.h"
#include "project/number_format.h"
#include "setup/distribution.h"
#include "setup/install_paths.h"
#include "setup/install_record.h"
#include "setup/setup_test_util.h"

namespace fs = std::filesystem;

namespace {

constexpr char kPrevious[] =
    "Previous version of software is detected. It is highly recommended that "
    "you install current version to the same directory.";

std::string default_program_destination() {
  return program_files_folder() + "/Kovix";
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
  EXPECT_EQ(wizard->license_text(), "Licence line 1 Licence line 2\n");
  wizard->next();
  EXPECT_EQ(wizard->edit_text(), default_program_destination());
  EXPECT_EQ(wizard->notice(), "");
  EXPECT_NE(wizard->destination_hint().find("folder named DGN2 inside"),
            std::string::npos);
  EXPECT_NE(wizard->destination_hint().find(
                "for everyone on this computer; its menu entries go to " +
                desktop_.system_applications() + "."),
            std::string::npos)
      << wizard->destination_hint();
  wizard->set_edit_text(target_);
  wizard->next();
  ASSERT_EQ(services_.messages, std::vector<std::string>{});
  EXPECT_EQ(wizard->page(), 3);
  EXPECT_EQ(wizard->destination(), inst());
  EXPECT_EQ(wizard->installed_program(), inst() + "kdgn20");
  EXPECT_NE(wizard->completion_details().find("installed in " + inst()),
            std::string::npos);
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

  // Run as the machine store's writer, it installs for everyone: the menu
  // entries and icon go to the system folders, none to the user's.
  std::string program =
      read_file(desktop_.system_applications() + "/dirgen.desktop");
  EXPECT_NE(program.find("Name=Dirgen\n"), std::string::npos);
  EXPECT_NE(program.find("Exec=" + inst() + "kdgn20\n"), std::string::npos);
  EXPECT_NE(program.find("Icon=dirgen\n"), std::string::npos);
  EXPECT_NE(program.find("StartupWMClass=Dirgen\n"), std::string::npos);
  std::string manual =
      read_file(desktop_.system_applications() + "/dirgen-manual.desktop");
  EXPECT_NE(manual.find("Name=Dirgen Manual\n"), std::string::npos);
  EXPECT_NE(manual.find("Exec=xdg-open " + inst() + "help.html\n"),
            std::string::npos);
  EXPECT_EQ(read_file(desktop_.system_icons() + "/dirgen.svg"),
            read_file(dist_ + "/images/dirgen.svg"));
  EXPECT_FALSE(fs::exists(desktop_.home() + "/.local/share"));

  install_record record;
  ASSERT_TRUE(load_record(install_scope::machine, inst(), &record));
  // 6 files, 2 in kvdata and 2 in images, 2 menu entries and the icon.
  EXPECT_EQ(record.files.size(), 13u);
  EXPECT_EQ(record.sum_of(inst() + "kdgn20"),
            sha256_hex(read_file(dist_ + "/setup")));
  install_record latest;
  ASSERT_TRUE(latest_record(install_scope::machine, &latest));
  EXPECT_EQ(latest.inst_dir, inst());
  EXPECT_FALSE(load_record(install_scope::user, inst(), &record));
}

TEST_F(SetupWizard, WithoutMachineStoreRightsInstallsForTheUser) {
  desktop_.forbid_machine_records();
  auto wizard = at_destination_page();
  EXPECT_NE(wizard->destination_hint().find(
                "for you only (run setup as root to install it for "
                "everyone); its menu entries go to " +
                desktop_.applications() + "."),
            std::string::npos)
      << wizard->destination_hint();
  wizard->set_edit_text(target_);
  wizard->next();
  ASSERT_EQ(wizard->page(), 3);
  install_record record;
  EXPECT_TRUE(load_record(install_scope::user, inst(), &record));
  EXPECT_TRUE(fs::exists(desktop_.applications() + "/dirgen.desktop"));
  EXPECT_TRUE(fs::exists(desktop_.icons() + "/dirgen.svg"));
  EXPECT_FALSE(fs::exists(desktop_.system_prefix() + "/share"));
}

TEST_F(SetupWizard, ReinstallReplacesUnchangedFilesAndKeepsChangedOnes) {
  auto first = at_destination_page();
  first->set_edit_text(target_);
  first->next();
  ASSERT_EQ(first->page(), 3);
  // The user edits a shipped template, adds a style of their own to the
  // catalogue and writes its template; the new version changes all three
  // shipped files and the program.
  std::ofstream(inst() + "kvdata/README") << "edited by the user";
  std::ofstream(inst() + "kvdata/mine.txt") << "my template";
  std::ofstream(inst() + "kvdata/styles.txt", std::ios::app)
      << "<style_name>Mine</style_name><style_file>mine.txt</style_file>\n";
  std::ofstream(dist_ + "/setup") << "new program";
  std::ofstream(dist_ + "/kvdata/README") << "new readme";
  std::ofstream(dist_ + "/help.html") << "new help";
  std::ofstream(dist_ + "/kvdata/styles.txt")
      << "<style_name>Links</style_name><style_file>links.txt</style_file>\n"
         "<style_name>Table</style_name><style_file>table.txt</style_file>\n";

  auto second = at_destination_page();
  EXPECT_EQ(second->edit_text(), target_);
  EXPECT_EQ(second->notice(), kPrevious);
  second->next();
  ASSERT_EQ(second->page(), 3);
  EXPECT_EQ(read_file(inst() + "kdgn20"), "new program");
  EXPECT_TRUE(is_runnable(inst() + "kdgn20"));
  EXPECT_EQ(read_file(inst() + "help.html"), "new help")
      << "unchanged: replaced";
  EXPECT_EQ(read_file(inst() + "kvdata/README"), "edited by the user");
  EXPECT_EQ(read_file(inst() + "kvdata/README.dist"), "new readme");
  EXPECT_EQ(read_file(inst() + "kvdata/mine.txt"), "my template");
  EXPECT_EQ(read_file(inst() + "kvdata/styles.txt"),
            "<style_name>Links</style_name><style_file>links.txt</style_file>\n"
            "<style_name>Table</style_name><style_file>table.txt</style_file>\n"
            "<style_name>Mine</style_name><style_file>mine.txt</style_file>\n");
  EXPECT_NE(read_file(inst() + "kvdata/styles.txt.old").find("Mine"),
            std::string::npos);
  std::vector<std::string> kept = second->result().kept;
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(kept, (std::vector<std::string>{inst() + "kvdata/README",
                                            inst() + "kvdata/styles.txt"}));
  EXPECT_NE(second->completion_details().find(inst() + "kvdata/README"),
            std::string::npos);

  // A third run with nothing new changes none of the user's files.
  auto third = at_destination_page();
  third->next();
  EXPECT_EQ(read_file(inst() + "kvdata/README"), "edited by the user");
  EXPECT_NE(read_file(inst() + "kvdata/styles.txt").find("Mine"),
            std::string::npos);
}

TEST_F(SetupWizard, IncompleteDistributionNamesTheMissingFile) {
  for (const char* missing :
       {"remove", "dirgen.gif", "images", "kvdata", "images/dirgen.svg"}) {
    SCOPED_TRACE(missing);
    scratch_folder other;
    dist_ = other.path();
    make_distribution(dist_);
    fs::remove_all(dist_ + "/" + missing);
    services_.messages.clear();
    auto wizard = start();
    EXPECT_TRUE(wizard->incomplete());
    EXPECT_TRUE(wizard->closed());
    ASSERT_EQ(services_.messages.size(), 1u);
    std::string text = services_.messages[0];
    EXPECT_EQ(text.rfind("The distribution is incomplete.\n" + dist_ + "/" +
                             missing + " is missing",
                         0),
              0u)
        << text;
    EXPECT_TRUE(text.ends_with(".\nTerminating.")) << text;
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
  } cases[] = {
      {work_.path() + "/Apps/Kovix/DGN2/", work_.path() + "/Apps/Kovix"},
      {work_.path() + "/Tools/", work_.path() + "/Tools"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.recorded);
    install_record record;
    record.inst_dir = c.recorded;
    ASSERT_TRUE(save_record(record, nullptr));
    auto wizard = at_destination_page();
    EXPECT_EQ(wizard->edit_text(), c.proposed);
    EXPECT_EQ(wizard->notice(), kPrevious);
  }
}

TEST_F(SetupWizard, UserSetupAfterAMachineWideOneProposesTheUsersFolder) {
  // Recorded for everyone in a folder nobody can create files in.
  std::string blocker = work_.path() + "/plain-file";
  std::ofstream(blocker) << "x";
  install_record record;
  record.inst_dir = blocker + "/Kovix/DGN2/";
  ASSERT_TRUE(save_record(record, nullptr));
  EXPECT_EQ(at_destination_page()->edit_text(), default_program_destination())
      << "an unwritable previous folder is not proposed";
  desktop_.forbid_machine_records();
  auto wizard = at_destination_page();
  EXPECT_EQ(wizard->notice(), "");
  EXPECT_EQ(wizard->edit_text(), default_program_destination());
  EXPECT_FALSE(fs::exists(desktop_.home() + "/.local/opt"))
      << "reaching the page creates nothing";
  // A failed copy records nothing and keeps what the user typed.
  fs::create_directories(inst() + "kdgn20/in-the-way");
  wizard->set_edit_text(target_);
  wizard->next();
  EXPECT_EQ(services_.messages,
            std::vector<std::string>{"Setup can't copy files."});
  EXPECT_EQ(wizard->page(), 2);
  EXPECT_EQ(wizard->edit_text(), target_);
  EXPECT_FALSE(fs::exists(desktop_.user_records()));
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

TEST_F(SetupWizard, FailuresAfterStartKeepTheTypedDestination) {
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
  EXPECT_EQ(wizard->edit_text(), blocker + "/Apps") << "kept as typed";
  EXPECT_FALSE(wizard->closed());
}

TEST_F(SetupWizard, UnwritableRecordsFolderIsToldAfterTheCopy) {
  desktop_.forbid_records();
  auto wizard = at_destination_page();
  wizard->set_edit_text(target_);
  wizard->next();
  EXPECT_EQ(services_.messages,
            std::vector<std::string>{
                "Setup can't write to system registry.The probable reason is "
                "either you don't have enough rights or registry is corrupt."});
  EXPECT_EQ(wizard->page(), 2);
  EXPECT_EQ(wizard->edit_text(), target_);
  EXPECT_TRUE(fs::exists(inst() + "kdgn20")) << "copied before the failure";
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

TEST(SetupProgram, IncompleteDistributionIsNamedAndExitsWithOne) {
  scratch_folder dist;
  make_distribution(dist.path());
  fs::remove(dist.at("remove"));
  fs::remove(dist.at("setup"));
  fs::create_symlink(DIRGEN_PROGRAM, dist.at("setup"));
  scoped_env no_x("DISPLAY", nullptr), no_wayland("WAYLAND_DISPLAY", nullptr),
      no_qpa("QT_QPA_PLATFORM", nullptr);
  program_run setup = run_program(dist.at("setup"));
  EXPECT_EQ(setup.output, "setup: The distribution is incomplete.\n" +
                              dist.at("remove") +
                              " is missing.\nTerminating.\n");
  EXPECT_EQ(setup.status, 1);
}

TEST(LicenceText, ParagraphLinesAreJoinedForWrapping) {
  EXPECT_EQ(unwrap_paragraphs("MIT License\r\n\r\nPermission is\r\ngranted.\r\n"
                              "\r\nTHE SOFTWARE\nIS PROVIDED\n  indented\n"),
            "MIT License\n\nPermission is granted.\n\nTHE SOFTWARE IS "
            "PROVIDED\n  indented\n");
  EXPECT_EQ(unwrap_paragraphs("no end\nof line"), "no end of line");
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

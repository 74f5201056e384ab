// The main window driven headless: messages and dialogs are taken by fakes,
// so nothing modal ever blocks.
#include "app/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <QToolButton>
#include <QUrl>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <filesystem>
#include <set>
#include <thread>

#include "app/about_box.h"
#include "app/description_window.h"
#include "app/main_window_rules.h"
#include "app/windowed_mode.h"
#include "gtest/gtest.h"
#include "listing/build.h"
#include "listing/variables.h"
#include "platform/checksum.h"
#include "platform/dialog_rules.h"
#include "support/qt_test_app.h"
#include "support/scratch_folder.h"

namespace {

struct shown_message {
  std::string text;
  message_icon icon;
};

// Takes the messages; answers questions from a queue of button positions
// (an empty queue presses the default button).
class recording_sink : public message_sink {
 public:
  void show(QWidget*, const std::string& text, message_icon icon) override {
    shown.push_back({text, icon});
  }
  size_t ask(QWidget*, const std::string& text, message_icon icon,
             const std::vector<std::string>& buttons,
             size_t default_button) override {
    shown.push_back({text, icon});
    asked_buttons = buttons;
    if (answers.empty()) return default_button;
    size_t answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::vector<shown_message> shown;
  std::deque<size_t> answers;
  std::vector<std::string> asked_buttons;
};

// Answers the dialogs from a queue of paths (an empty queue cancels),
// records modal windows and documents instead of showing or opening them.
class fake_desktop : public desktop_services {
 public:
  bool show_open(file_dialog* d) override { return answer(d); }
  bool show_save(file_dialog* d) override { return answer(d); }
  bool browse(folder_dialog* d) override {
    if (answers.empty()) return false;
    d->result = variant(std::string_view(answers.front()));
    answers.pop_front();
    return true;
  }
  void show_modal(QDialog* dialog) override { modal.push_back(dialog); }
  void open_document(const std::string& path, QObject*,
                     open_failed failed) override {
    opened.push_back(path);
    if (!open_succeeds) failed("no application to open it was found.");
  }

  std::deque<std::string> answers;
  std::vector<QDialog*> modal;
  std::vector<std::string> opened;
  bool open_succeeds = true;
  std::string last_filter;
  std::string last_title;
  std::string last_initial_folder;

 private:
  bool answer(file_dialog* d) {
    last_filter = d->filter.str();
    last_title = d->title.str();
    last_initial_folder = d->initial_folder.str();
    if (answers.empty()) {
      d->result = variant("");
      d->name_offset = -1;
      return false;
    }
    std::string path = answers.front();
    answers.pop_front();
    d->result = variant(std::string_view(path));
    d->name_offset = file_name_offset(path);
    return true;
  }
};

std::string source_root() {
  const char* root = std::getenv("DIRGEN_SOURCE_ROOT");
  return std::string(root ? root : ".") + "/";
}

// A main window over a working folder, with fakes for everything modal.
class MainWindowTest : public testing::Test {
 protected:
  void open_window(const std::string& working) {
    form_ = std::make_unique<main_window>(working, dir_.at("memory.ini"));
    form_->set_message_sink(&sink_);
    form_->set_desktop(&desktop_);
    form_->set_windows(&description_window_, &about_);
  }
  void SetUp() override { open_window(source_root()); }

  main_window_controls& c() { return form_->controls(); }
  // The title as the title bar shows it ("*" while there are unsaved
  // changes).
  std::string caption() const {
    QString title = form_->windowTitle();
    title.replace("[*]", form_->isWindowModified() ? "*" : "");
    return title.toStdString();
  }
  std::string last_message() const {
    return sink_.shown.empty() ? "<none>" : sink_.shown.back().text;
  }
  // Runs the event loop until the build has reported (a generous bound
  // only keeps a broken build from hanging the suite).
  // A source folder whose build cannot end before the test has cancelled
  // or closed, even on a loaded machine.
  void write_long_source() {
    for (int i = 0; i < 20000; ++i) dir_.write("f" + std::to_string(i), "");
  }

  void wait_for_build() {
    QElapsedTimer clock;
    clock.start();
    while (form_->building() && clock.elapsed() < 60000) {
      QApplication::processEvents(QEventLoop::AllEvents, 50);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(form_->building());
  }

  recording_sink sink_;
  fake_desktop desktop_;
  description_window description_window_;
  scratch_folder dir_;
  about_box about_{QIcon()};
  std::unique_ptr<main_window> form_;
};

TEST_F(MainWindowTest, StartsAsANewProjectWithTheCatalogueAndFirstStates) {
  EXPECT_EQ(caption(), "New project - Dirgen 2.0");
  QTabWidget* tabs = form_->tabs();
  ASSERT_EQ(tabs->count(), 4);
  EXPECT_EQ(tabs->tabText(0), "Source and Output");
  EXPECT_EQ(tabs->tabText(1), "File Filter");
  EXPECT_EQ(tabs->tabText(2), "File Order and Recursion");
  EXPECT_EQ(tabs->tabText(3), "Output Format Options");
  EXPECT_GT(c().template_list->count(), 0);
  EXPECT_EQ(c().template_list->currentIndex(), 0);  // download.txt
  EXPECT_TRUE(c().directory_radio->isChecked());
  EXPECT_TRUE(c().per_folder->isChecked());
  EXPECT_FALSE(c().per_folder->isEnabled());
  EXPECT_TRUE(c().ascending->isChecked());
  EXPECT_TRUE(c().url_encode->isChecked());
  EXPECT_TRUE(c().bytes->isChecked());
  EXPECT_EQ(c().size_end->text(), "1024");
  EXPECT_FALSE(c().size_end->isEnabled());
  EXPECT_FALSE(c().start_date->isEnabled());
  EXPECT_FALSE(form_->commands().view_output->isEnabled());
  EXPECT_FALSE(form_->view_output_action()->isEnabled());
  EXPECT_EQ(c().image_dir->currentText().toStdString(), kEmbeddedIcons);
  EXPECT_EQ(c().image_dir->itemText(0).toStdString(), kEmbeddedIcons);
  EXPECT_FALSE(form_->progress_strip()->isVisible());
}

TEST_F(MainWindowTest, GoMenuAndDependentControlsFollowTheUser) {
  form_->select_tab(2);
  EXPECT_EQ(form_->tabs()->currentIndex(), 2);
  c().recursive->setChecked(true);
  EXPECT_TRUE(c().single_file->isEnabled());
  c().time_filter->setChecked(true);
  EXPECT_TRUE(c().end_time->isEnabled());
  EXPECT_TRUE(c().start_label->isEnabled());
  c().size_filter->setChecked(true);
  EXPECT_TRUE(c().size_and->isEnabled());
  c().size_filter->setChecked(false);
  EXPECT_FALSE(c().size_start_unit->isEnabled());
}

// Two records that differ in every field, so a control wired to the wrong
// field cannot pass.
void fill_all_set(const data_tables& f, settings_record* s) {
  s->source = variant(true);
  s->path = variant("/src/d\xC3\xA9j\xC3\xA0 vu");
  s->save = variant("out.html");
  s->mask = variant("*.htm;*.html");
  s->skip_files = variant("*.bak");
  s->folder_include = variant("a*");
  s->folder_skip = variant("tmp");
  s->subfolders = variant(true);
  s->subfolders_in_one_file = variant(true);
  s->date_format = variant("%Y-%m-%d");
  s->is_gmt_date = variant(true);
  s->order_files = variant(3);
  s->sort_order = variant(true);
  s->show_summary = variant(true);
  s->show_folders = variant(false);
  s->image_dir = variant("/img");
  s->size_units = variant(2);
  s->format = f.style_format(1);
  s->url_html_escape = variant(true);
  s->time_filter = variant(true);
  s->time_start = time_value(1700000000);
  s->time_end = time_value(4102444800);  // 2100-01-01, past 32 bits
  s->size_filter = variant(true);
  s->size_start = variant(2048);
  s->size_end = time_value(int64_t{5} << 30);  // 5 GiB
}

void fill_all_clear(const data_tables& f, settings_record* s) {
  s->source = variant(false);
  for (variant* t :
       {&s->path, &s->save, &s->mask, &s->skip_files, &s->folder_include,
        &s->folder_skip, &s->date_format, &s->image_dir})
    *t = variant("");
  for (variant* b : {&s->subfolders, &s->subfolders_in_one_file,
                     &s->is_gmt_date, &s->sort_order, &s->show_summary,
                     &s->url_html_escape, &s->time_filter, &s->size_filter})
    *b = variant(false);
  s->show_folders = variant(true);
  s->order_files = variant(0);
  s->size_units = variant(1);
  s->format = f.style_format(0);
  s->time_start = time_value(86400);
  s->time_end = time_value(86400 * 2 + 3661);
  s->size_start = variant(0);
  s->size_end = variant(1024);
}

TEST_F(MainWindowTest, EveryFieldRoundTripsThroughTheControls) {
  scoped_env tz("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
  tzset();
  data_tables f;
  f.load_tables(variant(std::string_view(source_root() + "kvdata/")));
  ASSERT_GT(f.style_names().size(), 1u);
  for (auto fill : {fill_all_set, fill_all_clear}) {
    settings_record in, out;
    fill(f, &in);
    settings_to_controls(in, f, &c());
    controls_to_settings(c(), f, &out);
    for (int i = 0; i < kSettingsFieldCount; ++i) {
      const char* key = settings_field_key(i);
      EXPECT_EQ(settings_field(&out, key)->str(),
                settings_field(&in, key)->str())
          << key;
    }
  }
  for (int units = 0; units <= 4; ++units) {  // every size unit choice
    settings_record in, out;
    in.size_units = variant(units);
    settings_to_controls(in, f, &c());
    controls_to_settings(c(), f, &out);
    EXPECT_EQ(out.size_units.as_int(), units);
  }
  tzset();
}

TEST_F(MainWindowTest, PickersShowLocalTimeAndSizeBoxesWholeKb) {
  scoped_env tz("TZ", "UTC-2");
  tzset();
  data_tables f;
  settings_record s;
  s.time_start = time_value(0);
  s.size_end = variant(1536);
  s.size_start = variant("3071");
  settings_to_controls(s, f, &c());
  EXPECT_EQ(c().start_date->date(), QDate(1970, 1, 1));
  EXPECT_EQ(c().start_time->time(), QTime(2, 0, 0));
  EXPECT_EQ(c().size_end->text(), "1");
  EXPECT_EQ(c().size_start->text(), "2");
  settings_record out;
  controls_to_settings(c(), f, &out);
  EXPECT_EQ(out.time_start.as_int64(), 0);
  EXPECT_EQ(out.size_end.as_int64(), 1024);
  EXPECT_EQ(out.size_start.as_int64(), 2048);
  tzset();
}

TEST_F(MainWindowTest, UnknownUnitsKeepTheRadiosAndUnknownFormatSavesEmpty) {
  data_tables f;
  f.load_tables(variant(std::string_view(source_root() + "kvdata/")));
  settings_record s;
  s.size_units = variant(1);
  settings_to_controls(s, f, &c());
  ASSERT_TRUE(c().kilobytes->isChecked());
  s.size_units = variant("7");
  s.format = variant("no-such-template.txt");
  settings_to_controls(s, f, &c());
  EXPECT_TRUE(c().kilobytes->isChecked());
  EXPECT_FALSE(c().bytes->isChecked());
  EXPECT_EQ(c().template_list->currentIndex(), -1);
  settings_record out;
  controls_to_settings(c(), f, &out);
  EXPECT_EQ(out.size_units.as_int(), 1);
  EXPECT_TRUE(out.format.is_text());
  EXPECT_EQ(out.format.str(), "");
}

TEST_F(MainWindowTest, CaptionAfterSaveAsOpenAndNew) {
  c().file_include->setText("*.txt");
  desktop_.answers.push_back(dir_.at("site.txt"));
  form_->save_settings_as();
  EXPECT_EQ(caption(), "site.txt - Dirgen 2.0");
  EXPECT_NE(dir_.read("site.txt").find("<mask>*.txt</mask>\r\n"),
            std::string::npos);

  c().file_include->setText("*.htm");
  form_->save_settings();  // to the same file, caption unchanged
  EXPECT_EQ(caption(), "site.txt - Dirgen 2.0");
  EXPECT_NE(dir_.read("site.txt").find("<mask>*.htm</mask>"),
            std::string::npos);

  form_->new_settings();
  EXPECT_EQ(caption(), "New project - Dirgen 2.0");
  EXPECT_EQ(c().file_include->text(), "*");

  desktop_.answers.push_back(dir_.at("site.txt"));
  form_->open_settings();
  EXPECT_EQ(caption(), "site.txt - Dirgen 2.0");
  EXPECT_EQ(c().file_include->text(), "*.htm");

  form_->open_settings();  // cancelled: nothing changes
  EXPECT_EQ(caption(), "site.txt - Dirgen 2.0");
  EXPECT_EQ(sink_.shown.size(), 0u);
}

TEST_F(MainWindowTest, OpenedSettingsFileDrivesTheControls) {
  dir_.write("s.txt",
             "<size_end>1536</size_end><size_units>1</size_units>"
             "<format>nowhere.txt</format><path>/x</path>");
  desktop_.answers.push_back(dir_.at("s.txt"));
  form_->open_settings();
  EXPECT_EQ(c().size_end->text(), "1");
  EXPECT_TRUE(c().kilobytes->isChecked());
  EXPECT_EQ(c().template_list->currentIndex(), -1);
  EXPECT_EQ(c().source_edit->text(), "/x");
  EXPECT_EQ(caption(), "s.txt - Dirgen 2.0");  // nothing unsaved yet
}

// A file that is not a settings file is refused and changes nothing, so a
// later save cannot overwrite it with settings.
TEST_F(MainWindowTest, OpenRefusesWhatIsNotASettingsFileAndChangesNothing) {
  dir_.write("notes.txt", "milk\neggs\n");
  dir_.write("broken.txt", "<mask>*");
  dir_.write("typo.txt", "<mask>*</mask>\n<sav>files.html</sav>\n");
  c().file_include->setText("*.pdf");
  const struct {
    const char* name;
    const char* why;
  } refused[] = {{"notes.txt", "none of the settings"},
                 {"broken.txt", "The markup is in error"},
                 {"typo.txt", " line 2; did you mean \"save\"?"},
                 {"missing.txt", "No such file or directory"}};
  for (const auto& r : refused) {
    desktop_.answers.push_back(dir_.at(r.name));
    sink_.answers.push_back(1);  // discard the unsaved "*.pdf"
    form_->open_settings();
    EXPECT_EQ(caption(), "New project* - Dirgen 2.0") << r.name;
    EXPECT_EQ(c().file_include->text(), "*.pdf") << r.name;
    EXPECT_NE(last_message().find(dir_.at(r.name)), std::string::npos);
    EXPECT_NE(last_message().find(r.why), std::string::npos) << last_message();
    EXPECT_EQ(sink_.shown.back().icon, message_icon::warning);
  }
  form_->save_settings();  // no settings file: Save As, cancelled
  EXPECT_EQ(dir_.read("notes.txt"), "milk\neggs\n");
}

TEST_F(MainWindowTest, AFailedSaveSaysWhereAndWhyAndKeepsTheTitle) {
  c().file_include->setText("*.txt");
  std::string path = dir_.at("no-such-folder/site.txt");
  desktop_.answers.push_back(path);
  EXPECT_FALSE(form_->save_settings_as());
  EXPECT_EQ(last_message(),
            "Can't save settings to " + path + ": No such file or directory.");
  EXPECT_EQ(caption(), "New project* - Dirgen 2.0");

  desktop_.answers.push_back(dir_.at("site.txt"));
  ASSERT_TRUE(form_->save_settings_as());
  EXPECT_EQ(caption(), "site.txt - Dirgen 2.0");
  std::filesystem::remove(dir_.at("site.txt"));
  std::filesystem::create_directory(dir_.at("site.txt"));  // now unwritable
  c().file_include->setText("*.htm");
  EXPECT_FALSE(form_->save_settings());
  EXPECT_NE(
      last_message().find("Can't save settings to " + dir_.at("site.txt")),
      std::string::npos);
  EXPECT_EQ(caption(), "site.txt* - Dirgen 2.0");
}

TEST_F(MainWindowTest, UnsavedChangesAreMarkedAndAskedAbout) {
  EXPECT_FALSE(form_->isWindowModified());
  c().output_edit->setText("other.html");
  EXPECT_EQ(caption(), "New project* - Dirgen 2.0");
  c().output_edit->setText("index.html");  // back as it was
  EXPECT_EQ(caption(), "New project - Dirgen 2.0");
  c().recursive->setChecked(true);
  EXPECT_TRUE(form_->isWindowModified());

  sink_.answers = {2};  // Cancel: nothing happens
  form_->new_settings();
  EXPECT_EQ(sink_.asked_buttons,
            (std::vector<std::string>{"Save", "Discard", "Cancel"}));
  EXPECT_TRUE(c().recursive->isChecked());
  sink_.answers = {2};
  desktop_.answers.push_back(dir_.at("never-opened.txt"));
  form_->open_settings();
  EXPECT_EQ(desktop_.answers.size(), 1u);  // the dialog never ran
  desktop_.answers.clear();

  sink_.answers = {0};  // Save: Save As runs, then the new settings
  desktop_.answers.push_back(dir_.at("kept.txt"));
  form_->new_settings();
  EXPECT_NE(dir_.read("kept.txt").find("<subfolders>1</subfolders>"),
            std::string::npos);
  EXPECT_FALSE(c().recursive->isChecked());
  EXPECT_EQ(caption(), "New project - Dirgen 2.0");

  c().recursive->setChecked(true);
  sink_.answers = {1};  // Discard
  form_->new_settings();
  EXPECT_FALSE(c().recursive->isChecked());
}

TEST_F(MainWindowTest, ClosingAsksAboutUnsavedChanges) {
  form_->show();
  c().file_skip->setText("*.o");
  sink_.answers = {2};
  form_->close();
  EXPECT_TRUE(form_->isVisible());
  sink_.answers = {1};
  form_->close();
  EXPECT_FALSE(form_->isVisible());
}

TEST_F(MainWindowTest, MakeListingStopsOnACheckWithAWarning) {
  c().source_edit->setText(QString::fromStdString(dir_.at("missing")));
  c().output_edit->setText("");
  form_->make_listing();
  EXPECT_FALSE(form_->building());
  ASSERT_EQ(sink_.shown.size(), 1u);
  EXPECT_EQ(sink_.shown[0].text, "Output file must be specified");
  EXPECT_EQ(sink_.shown[0].icon, message_icon::warning);

  c().output_edit->setText("x.html");
  c().archive_radio->setChecked(true);
  form_->make_listing();
  EXPECT_EQ(last_message(), "Source file doesn't exist.");
  EXPECT_FALSE(form_->commands().view_output->isEnabled());
}

TEST_F(MainWindowTest, RealBuildRunsOnAWorkerAndReportsCompletion) {
  dir_.write("a.txt", "alpha");
  dir_.write("b.html", "<p>b</p>");
  std::filesystem::create_directory(dir_.at("out"));
  c().source_edit->setText(QString::fromStdString(dir_.path()));
  c().output_edit->setText(QString::fromStdString(dir_.at("out/list.html")));
  c().template_list->setCurrentIndex(1);
  form_->make_listing();
  if (form_->building()) {
    EXPECT_FALSE(form_->tabs()->isEnabled());
    EXPECT_TRUE(form_->progress_strip()->isVisibleTo(form_.get()));
  }
  wait_for_build();
  ASSERT_EQ(sink_.shown.size(), 1u);
  EXPECT_EQ(sink_.shown[0].text, "Build is complete\n" +
                                     dir_.at("out/list.html") +
                                     "\n1 listing written, 0 already current.");
  EXPECT_EQ(sink_.shown[0].icon, message_icon::none);
  EXPECT_EQ(sink_.asked_buttons,
            (std::vector<std::string>{"Open the listing", "OK"}));
  EXPECT_TRUE(desktop_.opened.empty());  // OK, the default, was pressed
  EXPECT_NE(
      form_->status_line()->text().toStdString().find(dir_.at("out/list.html")),
      std::string::npos);
  EXPECT_NE(dir_.read("out/list.html").find("a.txt"), std::string::npos);
  EXPECT_TRUE(form_->tabs()->isEnabled());
  EXPECT_FALSE(form_->progress_strip()->isVisibleTo(form_.get()));
  EXPECT_TRUE(form_->commands().view_output->isEnabled());
  EXPECT_TRUE(form_->view_output_action()->isEnabled());

  form_->view_output();
  ASSERT_EQ(desktop_.opened.size(), 1u);
  EXPECT_EQ(desktop_.opened[0], dir_.at("out/list.html"));
}

TEST_F(MainWindowTest, FailedBuildShowsItsMessageAndDisablesTheOutputLink) {
  dir_.write("a.txt", "alpha");
  c().source_edit->setText(QString::fromStdString(dir_.path()));
  c().output_edit->setText(QString::fromStdString(dir_.at("list.html")));
  sink_.answers = {0};  // "Open the listing"
  form_->make_listing();
  wait_for_build();
  ASSERT_EQ(desktop_.opened.size(), 1u);
  EXPECT_EQ(desktop_.opened[0], dir_.at("list.html"));
  desktop_.open_succeeds = false;
  form_->view_output();
  EXPECT_EQ(last_message(), "Can't open " + dir_.at("list.html") +
                                "\nno application to open it was found.");
  EXPECT_TRUE(form_->view_output_action()->isEnabled());

  std::filesystem::create_directory(dir_.at("empty"));
  c().source_edit->setText(QString::fromStdString(dir_.at("empty")));
  form_->make_listing();
  wait_for_build();
  EXPECT_EQ(last_message().rfind("Directory is empty.", 0), 0u)
      << last_message();
  EXPECT_EQ(sink_.shown.back().icon, message_icon::warning);
  EXPECT_FALSE(form_->commands().view_output->isEnabled());
  EXPECT_FALSE(form_->view_output_action()->isEnabled());
}

TEST_F(MainWindowTest, FilesDirgenDidNotWriteAreReplacedOnlyWhenTheUserSaysSo) {
  dir_.write("src/a.txt", "alpha");
  dir_.write("src/sub/index.html", "hand made");
  dir_.write("src/index.html", "hand made too");
  c().source_edit->setText(QString::fromStdString(dir_.at("src")));
  c().recursive->setChecked(true);
  c().per_folder->setChecked(true);
  c().output_edit->setText("index.html");
  sink_.answers = {1};  // Cancel
  form_->make_listing();
  wait_for_build();
  ASSERT_EQ(sink_.shown.size(), 1u);
  EXPECT_EQ(sink_.shown[0].icon, message_icon::question);
  EXPECT_EQ(sink_.asked_buttons,
            (std::vector<std::string>{"Replace", "Cancel"}));
  EXPECT_NE(sink_.shown[0].text.find(dir_.at("src/sub/index.html") + "\n"),
            std::string::npos);
  EXPECT_EQ(dir_.read("src/sub/index.html"), "hand made");
  EXPECT_FALSE(form_->building());

  sink_.answers = {0, 1};  // Replace, then OK
  form_->make_listing();
  wait_for_build();
  wait_for_build();  // the second build, with replacing allowed
  EXPECT_EQ(sink_.shown.back().text.rfind("Build is complete", 0), 0u)
      << sink_.shown.back().text;
  EXPECT_NE(dir_.read("src/index.html").find("a.txt"), std::string::npos);
  EXPECT_NE(dir_.read("src/sub/index.html"), "hand made");
  EXPECT_FALSE(form_->settings().replace_existing.as_bool());
}

TEST_F(MainWindowTest, MissingTemplateIsNamedInTheMessage) {
  std::string working = dir_.path() + "/";
  std::filesystem::create_directories(dir_.at("kvdata"));
  dir_.write("kvdata/styles.txt",
             "<style_name>Gone</style_name><style_file>gone.txt</style_file>");
  open_window(working);
  dir_.write("a.txt", "alpha");
  c().source_edit->setText(QString::fromStdString(dir_.path()));
  c().output_edit->setText(QString::fromStdString(dir_.at("list.html")));
  c().template_list->setCurrentIndex(0);
  form_->make_listing();
  wait_for_build();
  EXPECT_NE(last_message().find(working + "kvdata/gone.txt"), std::string::npos)
      << last_message();
}

TEST_F(MainWindowTest, ProgressBarSweepsInsideTheStripsFrame) {
  QFrame* strip = form_->progress_strip();
  strip->resize(404, 12);
  QRect inside = strip->contentsRect();
  int half = inside.width() / 2;
  const std::pair<int64_t, QRect> cases[] = {
      {50, QRect(inside.left(), inside.top(), half, inside.height())},
      {100, inside},
      {150, QRect(inside.left() + half, inside.top(), inside.width() - half,
                  inside.height())},
      {250, QRect(inside.left(), inside.top(), half, inside.height())},
  };
  for (const auto& [tick, want] : cases) {
    form_->draw_progress(tick);
    EXPECT_EQ(form_->progress_bar()->geometry(), want) << tick;
  }
}

TEST_F(MainWindowTest, OutputSaveAsGivesOnlyTheNameForOneFilePerSubfolder) {
  desktop_.answers = {"/data/out/list.html", "/data/out/list.html"};
  form_->output_save_as();
  EXPECT_EQ(c().output_edit->text(), "/data/out/list.html");
  EXPECT_NE(desktop_.last_filter.find("HTML Files"), std::string::npos);
  c().recursive->setChecked(true);
  c().per_folder->setChecked(true);
  form_->output_save_as();
  EXPECT_EQ(c().output_edit->text(), "list.html");
}

TEST_F(MainWindowTest, PathSelectUsesTheFolderOrTheArchiveDialog) {
  desktop_.answers = {"/chosen/folder", "/chosen/a.zip"};
  form_->path_select();
  EXPECT_EQ(c().source_edit->text(), "/chosen/folder");
  c().archive_radio->setChecked(true);
  form_->path_select();
  EXPECT_EQ(c().source_edit->text(), "/chosen/a.zip");
  EXPECT_NE(desktop_.last_filter.find("Archive files"), std::string::npos);
  form_->path_select();  // cancelled
  EXPECT_EQ(c().source_edit->text(), "/chosen/a.zip");
}

TEST_F(MainWindowTest, TemplateCommandsWarnOrOpen) {
  c().template_list->setCurrentIndex(-1);
  form_->edit_template();
  EXPECT_EQ(last_message(), "There is no template file selected.");
  form_->template_description();
  EXPECT_EQ(last_message(), "There is no description for this template.");

  c().template_list->setCurrentIndex(0);
  form_->edit_template();
  ASSERT_EQ(desktop_.opened.size(), 1u);
  EXPECT_EQ(desktop_.opened[0], source_root() + "kvdata/download.txt");
  desktop_.open_succeeds = false;
  form_->edit_template();
  EXPECT_EQ(last_message(),
            "Can't open template file\nno application to open it was found.");

  size_t messages = sink_.shown.size();
  form_->template_description();
  EXPECT_EQ(sink_.shown.size(), messages);
  ASSERT_EQ(desktop_.modal.size(), 1u);
  EXPECT_EQ(desktop_.modal[0], &description_window_);
  EXPECT_EQ(description_window_.windowTitle(), c().template_list->itemText(0));
  EXPECT_GT(description_window_.text_area()->document()->blockCount(),
            1);  // LF lines
}

TEST_F(MainWindowTest, DescriptionWindowBreaksLinesAtAnyLineEnd) {
  description_window_.set_description("Style", "one\ntwo\r\nthree\rfour");
  EXPECT_EQ(description_window_.windowTitle(), "Style");
  EXPECT_EQ(description_window_.text_area()->toPlainText(),
            "one\ntwo\nthree\nfour");
}

TEST_F(MainWindowTest, HelpAboutExampleAndLocalPath) {
  std::string working = dir_.path() + "/";
  open_window(working);
  form_->show_help();
  EXPECT_EQ(last_message(), "Can't open help file");
  dir_.write("help.html", "<p>help</p>");
  form_->show_help();
  ASSERT_EQ(desktop_.opened.size(), 1u);
  EXPECT_EQ(desktop_.opened[0], working + "help.html");

  form_->show_about();
  ASSERT_EQ(desktop_.modal.size(), 1u);
  EXPECT_EQ(desktop_.modal[0], &about_);
  EXPECT_EQ(about_.product_name()->text(), "Dirgen 2.0");
  EXPECT_EQ(about_.version()->text(), "Version 2.0");
  EXPECT_EQ(about_.windowTitle(), "About");

  c().date_format->setText("%Y");
  form_->see_example();
  EXPECT_EQ(c().date_example->text().size(), 4);
  sink_.answers = {1};
  form_->new_settings();
  EXPECT_EQ(c().date_example->text(), "");
}

// The example is written as the listing writes its dates: the zone of the
// date itself, or GMT when that is asked for.
TEST_F(MainWindowTest, DateExampleUsesTheListingsFormattingAndGmtSetting) {
  scoped_env tz("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
  tzset();
  c().date_format->setText("%Z %z");
  form_->see_example();
  std::string local = c().date_example->text().toStdString();
  EXPECT_EQ(local, format_time(current_utc_seconds(), false, "%Z %z"));
  EXPECT_TRUE(local == "CET +0100" || local == "CEST +0200") << local;
  c().gmt_dates->setChecked(true);
  form_->see_example();
  EXPECT_EQ(c().date_example->text().toStdString(),
            format_time(current_utc_seconds(), true, "%Z %z"));
  EXPECT_NE(c().date_example->text().toStdString(), local);
  tzset();
}

TEST_F(MainWindowTest, LocalImagesPathIsAnEncodedUrl) {
  std::string working = dir_.path() + "/My \"Tools\"/";
  std::filesystem::create_directories(working);
  open_window(working);
  std::string expected = local_images_url(working);
  EXPECT_NE(expected.find("My%20%22Tools%22/images"), std::string::npos);
  form_->put_local_path();
  EXPECT_EQ(c().image_dir->currentText().toStdString(), expected);
  settings_record s;
  controls_to_settings(c(), data_tables(), &s);
  EXPECT_EQ(s.image_dir.str(), expected);
  c().image_dir->setCurrentIndex(0);  // "embedded": the empty image_dir
  controls_to_settings(c(), data_tables(), &s);
  EXPECT_EQ(s.image_dir.str(), "");
}

TEST_F(MainWindowTest, SizeBoxesTakeWholeNumbersOnlyAndSayWhy) {
  dir_.write("a.txt", "alpha");
  c().source_edit->setText(QString::fromStdString(dir_.path()));
  c().size_filter->setChecked(true);
  for (const char* bad : {"abc", "1.5", ""}) {
    c().size_end->setText(bad);
    form_->make_listing();
    EXPECT_FALSE(form_->building());
    EXPECT_NE(last_message().find(std::string("\"") + bad + "\" is not one"),
              std::string::npos)
        << last_message();
    EXPECT_EQ(form_->tabs()->currentIndex(), 1);
    desktop_.answers.push_back(dir_.at("s.txt"));
    EXPECT_FALSE(form_->save_settings_as());
    EXPECT_EQ(dir_.read("s.txt"), "<missing>");
  }
  desktop_.answers.clear();
  c().size_end->setText("15");
  desktop_.answers.push_back(dir_.at("s.txt"));
  EXPECT_TRUE(form_->save_settings_as());
  EXPECT_NE(dir_.read("s.txt").find("<size_end>15360</size_end>"),
            std::string::npos);
}

// Cancel stops the build before its next entry; the listing made before
// stays as it was.
TEST_F(MainWindowTest, CancelStopsTheBuildAndKeepsThePreviousListing) {
  write_long_source();
  dir_.write("list.html", "previous");
  // The previous listing, as the record of an earlier build names it.
  dir_.write(".dirgen-listings", sha256_hex("previous") + "  list.html\n");
  c().source_edit->setText(QString::fromStdString(dir_.path()));
  c().output_edit->setText(QString::fromStdString(dir_.at("list.html")));
  form_->make_listing();
  ASSERT_TRUE(form_->building());
  EXPECT_TRUE(form_->cancel_button()->isVisibleTo(form_.get()));
  EXPECT_TRUE(form_->cancel_button()->isEnabled());
  EXPECT_TRUE(form_->progress_counts()->isVisibleTo(form_.get()));
  EXPECT_NE(form_->progress_counts()->text().toStdString().find("written"),
            std::string::npos);
  form_->cancel_build();
  EXPECT_FALSE(form_->cancel_button()->isEnabled());
  wait_for_build();
  EXPECT_EQ(last_message().rfind("Build was cancelled.", 0), 0u)
      << last_message();
  EXPECT_TRUE(dir_.read("list.html") == "previous");
  EXPECT_FALSE(form_->view_output_action()->isEnabled());
  EXPECT_FALSE(form_->cancel_button()->isVisibleTo(form_.get()));
}

TEST_F(MainWindowTest, ClosingDuringABuildAsksWhetherToCancelIt) {
  write_long_source();
  c().source_edit->setText(QString::fromStdString(dir_.path()));
  c().output_edit->setText(QString::fromStdString(dir_.at("list.html")));
  form_->show();
  form_->make_listing();
  ASSERT_TRUE(form_->building());
  sink_.answers = {1};  // keep making it
  form_->close();
  EXPECT_EQ(sink_.asked_buttons,
            (std::vector<std::string>{"Cancel the listing", "Keep making it"}));
  EXPECT_TRUE(form_->isVisible());
  EXPECT_TRUE(form_->building());
  sink_.answers = {0, 1};  // cancel it; then discard the edited settings
  form_->close();
  wait_for_build();
  EXPECT_FALSE(form_->isVisible());
}

TEST_F(MainWindowTest, RecentFilesAndLastFoldersAreRememberedAcrossRuns) {
  for (const char* name : {"a.txt", "b.txt"}) {
    desktop_.answers.push_back(dir_.at(name));
    ASSERT_TRUE(form_->save_settings_as());
  }
  QList<QAction*> recent = form_->recent_menu()->actions();
  ASSERT_EQ(recent.size(), 2);
  EXPECT_EQ(recent[0]->text().toStdString(), "&1 " + dir_.at("b.txt"));
  EXPECT_EQ(recent[1]->text().toStdString(), "&2 " + dir_.at("a.txt"));

  open_window(source_root());  // a later run
  recent = form_->recent_menu()->actions();
  ASSERT_EQ(recent.size(), 2);
  recent[1]->trigger();
  QApplication::processEvents();
  EXPECT_EQ(caption(), "a.txt - Dirgen 2.0");
  EXPECT_EQ(form_->recent_menu()->actions()[0]->text().toStdString(),
            "&1 " + dir_.at("a.txt"));

  std::filesystem::remove(dir_.at("b.txt"));
  form_->recent_menu()->actions()[1]->trigger();
  QApplication::processEvents();
  EXPECT_NE(last_message().find(dir_.at("b.txt")), std::string::npos);
  ASSERT_EQ(form_->recent_menu()->actions().size(), 1);  // b.txt is gone

  form_->new_settings();
  form_->open_settings();  // cancelled; started where the last one ended
  EXPECT_EQ(desktop_.last_initial_folder, dir_.path());
  EXPECT_EQ(desktop_.last_title, "Open Settings");
}

TEST_F(MainWindowTest, WindowSizeIsRememberedAcrossRuns) {
  form_->show();
  form_->resize(700, 520);
  form_->close();
  open_window(source_root());
  EXPECT_EQ(form_->size(), QSize(700, 520));
}

// Sends a drag of one URL over the window and, when it is accepted, drops
// it. Returns whether the drag was accepted.
bool drag_and_drop(QWidget* window, const QUrl& url) {
  QMimeData data;
  data.setUrls({url});
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
  enter.ignore();
  QApplication::sendEvent(window, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(window, &drop);
  return true;
}

QUrl file_url(const std::string& path) {
  return QUrl::fromLocalFile(QString::fromStdString(path));
}

TEST_F(MainWindowTest, DroppedFoldersArchivesAndSettingsFilesAreTaken) {
  dir_.write("a.zip", "PK");
  dir_.write("s.txt", "<mask>*.png</mask>");
  c().archive_radio->setChecked(true);
  ASSERT_TRUE(drag_and_drop(form_.get(), file_url(dir_.path())));
  EXPECT_EQ(c().source_edit->text().toStdString(), dir_.path());
  EXPECT_TRUE(c().directory_radio->isChecked());

  ASSERT_TRUE(drag_and_drop(form_.get(), file_url(dir_.at("a.zip"))));
  EXPECT_EQ(c().source_edit->text().toStdString(), dir_.at("a.zip"));
  EXPECT_TRUE(c().archive_radio->isChecked());

  sink_.answers = {1};  // discard the source just dropped
  ASSERT_TRUE(drag_and_drop(form_.get(), file_url(dir_.at("s.txt"))));
  EXPECT_EQ(caption(), "s.txt - Dirgen 2.0");
  EXPECT_EQ(c().file_include->text(), "*.png");

  EXPECT_FALSE(drag_and_drop(form_.get(), QUrl("https://example.org/a.zip")));
  form_->take_dropped(dir_.at("gone"));
  EXPECT_NE(last_message().find(dir_.at("gone")), std::string::npos);
}

// What a keyboard, a screen reader and a small screen need of the window.
TEST_F(MainWindowTest, EveryInputIsNamedExplainedAndTheWindowFitsASmallScreen) {
  const std::vector<QWidget*> inputs = {
      c().source_edit, c().output_edit,    c().template_list, c().file_include,
      c().file_skip,   c().folder_include, c().folder_skip,   c().start_date,
      c().start_time,  c().end_date,       c().end_time,      c().size_start,
      c().size_end,    c().order_by,       c().date_format,   c().image_dir};
  std::set<QString> names;
  for (QWidget* input : inputs) {
    EXPECT_FALSE(input->accessibleName().isEmpty())
        << input->toolTip().toStdString();
    EXPECT_FALSE(input->toolTip().isEmpty())
        << input->accessibleName().toStdString();
    names.insert(input->accessibleName());
  }
  EXPECT_EQ(names.size(), inputs.size());
  for (QAbstractButton* button :
       form_->tabs()->findChildren<QAbstractButton*>()) {
    if (qobject_cast<QToolButton*>(button)) continue;  // the tab bar's own
    EXPECT_FALSE(button->toolTip().isEmpty()) << button->text().toStdString();
  }
  for (QLabel* label : form_->tabs()->findChildren<QLabel*>()) {
    if (label->text().contains('&') && label->textFormat() != Qt::RichText) {
      EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
    }
  }
  EXPECT_EQ(c().file_skip->accessibleName(), "Files filter: Skip");
  EXPECT_EQ(c().end_time->accessibleName(), "End time");

  // 1280 x 800 at a scale factor of 2.
  QSize smallest = form_->minimumSizeHint();
  EXPECT_LE(smallest.width(), 640);
  EXPECT_LE(smallest.height(), 400);
}

TEST_F(MainWindowTest, MenusOfferQuitAndTheDialogsSayWhatTheyDo) {
  QAction* exit = nullptr;
  for (QAction* a : form_->findChildren<QAction*>())
    if (a->text() == "E&xit") exit = a;
  ASSERT_NE(exit, nullptr);
  EXPECT_EQ(exit->shortcut(), QKeySequence(QKeySequence::Quit));
  form_->output_save_as();
  EXPECT_EQ(desktop_.last_title, "Save Generated Output File As");
  c().archive_radio->setChecked(true);
  form_->path_select();
  EXPECT_EQ(desktop_.last_title, "Select Source Archive");
}

TEST_F(MainWindowTest, ReturnPressesTheDefaultButtonOfTheSmallWindows) {
  for (QDialog* dialog : {static_cast<QDialog*>(&description_window_),
                          static_cast<QDialog*>(&about_)}) {
    dialog->show();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(dialog, &press);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
  }
}

TEST(WindowedMode, WithoutADisplaySaysSoInsteadOfAborting) {
  scoped_env platform("QT_QPA_PLATFORM", nullptr);
  scoped_env display("DISPLAY", nullptr);
  scoped_env wayland("WAYLAND_DISPLAY", nullptr);
  char name[] = "kdgn20";
  char* argv[] = {name, nullptr};
  testing::internal::CaptureStderr();
  EXPECT_EQ(run_windowed_mode(1, argv), 1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("no display"),
            std::string::npos);
}

}  // namespace

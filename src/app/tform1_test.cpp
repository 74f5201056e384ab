// The main window driven headless: messages and dialogs are taken by fakes,
// so nothing modal ever blocks.
#include "app/tform1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <filesystem>
#include <thread>

#include "app/form1_rules.h"
#include "app/tabout_box.h"
#include "app/tform2.h"
#include "app/windowed_mode.h"
#include "gtest/gtest.h"
#include "listing/build.h"
#include "platform/dialog_rules.h"
#include "support/qt_test_app.h"
#include "support/scratch_folder.h"

namespace {

struct shown_message {
  std::string text;
  message_icon icon;
};

class recording_sink : public message_sink {
 public:
  void show(QWidget*, const std::string& text, message_icon icon) override {
    shown.push_back({text, icon});
  }
  std::vector<shown_message> shown;
};

// Answers the dialogs from a queue of paths (an empty queue cancels),
// records modal windows and documents instead of showing or opening them.
class fake_desktop : public desktop_services {
 public:
  bool show_open(win_open_save_dialog* d) override { return answer(d); }
  bool show_save(win_open_save_dialog* d) override { return answer(d); }
  bool browse(win_dir_open_dialog* d) override {
    if (answers.empty()) return false;
    d->result = kvval(std::string_view(answers.front()));
    answers.pop_front();
    return true;
  }
  void show_modal(QDialog* dialog) override { modal.push_back(dialog); }
  bool open_document(const std::string& path) override {
    opened.push_back(path);
    return open_succeeds;
  }

  std::deque<std::string> answers;
  std::vector<QDialog*> modal;
  std::vector<std::string> opened;
  bool open_succeeds = true;
  std::string last_filter;

 private:
  bool answer(win_open_save_dialog* d) {
    last_filter = d->filter.str();
    if (answers.empty()) {
      d->result = kvval("");
      d->name_offset = -1;
      return false;
    }
    std::string path = answers.front();
    answers.pop_front();
    d->result = kvval(std::string_view(path));
    d->name_offset = file_name_offset(path);
    return true;
  }
};

std::string source_root() {
  const char* root = std::getenv("DIRGEN_SOURCE_ROOT");
  return std::string(root ? root : ".") + "/";
}

// A main window over a working folder, with fakes for everything modal.
class Form1Test : public testing::Test {
 protected:
  void open_window(const std::string& working) {
    form_ = std::make_unique<TForm1>(working);
    form_->set_message_sink(&sink_);
    form_->set_desktop(&desktop_);
    form_->set_windows(&form2_, &about_);
  }
  void SetUp() override { open_window(source_root()); }

  form1_controls& c() { return form_->controls(); }
  std::string caption() const { return form_->windowTitle().toStdString(); }
  std::string last_message() const {
    return sink_.shown.empty() ? "<none>" : sink_.shown.back().text;
  }
  // Runs the event loop until the build has reported (a generous bound
  // only keeps a broken build from hanging the suite).
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
  TForm2 form2_;
  TAboutBox about_{""};
  std::unique_ptr<TForm1> form_;
  scratch_folder dir_;
};

TEST_F(Form1Test, StartsAsANewProjectWithTheCatalogueAndFirstStates) {
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
  EXPECT_EQ(c().image_dir->text().toStdString(),
            "file://" + source_root() + "images");
  EXPECT_FALSE(form_->progress_strip()->isVisible());
}

TEST_F(Form1Test, GoMenuAndDependentControlsFollowTheUser) {
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
void fill_all_set(const dirgen_formatter& f, dirgen_project* s) {
  s->source = kvval(true);
  s->path = kvval("/src/d\xC3\xA9j\xC3\xA0 vu");
  s->save = kvval("out.html");
  s->mask = kvval("*.htm;*.html");
  s->skip_files = kvval("*.bak");
  s->folder_include = kvval("a*");
  s->folder_skip = kvval("tmp");
  s->subfolders = kvval(true);
  s->subfolders_in_one_file = kvval(true);
  s->date_format = kvval("%Y-%m-%d");
  s->is_gmt_date = kvval(true);
  s->order_files = kvval(3);
  s->sort_order = kvval(true);
  s->show_summary = kvval(true);
  s->show_folders = kvval(false);
  s->image_dir = kvval("/img");
  s->size_units = kvval(2);
  s->format = f.style_format(1);
  s->url_html_escape = kvval(true);
  s->time_filter = kvval(true);
  s->time_start = time_value(1700000000);
  s->time_end = time_value(4102444800);  // 2100-01-01, past 32 bits
  s->size_filter = kvval(true);
  s->size_start = kvval(2048);
  s->size_end = time_value(int64_t{5} << 30);  // 5 GiB
}

void fill_all_clear(const dirgen_formatter& f, dirgen_project* s) {
  s->source = kvval(false);
  for (kvval* t :
       {&s->path, &s->save, &s->mask, &s->skip_files, &s->folder_include,
        &s->folder_skip, &s->date_format, &s->image_dir})
    *t = kvval("");
  for (kvval* b : {&s->subfolders, &s->subfolders_in_one_file, &s->is_gmt_date,
                   &s->sort_order, &s->show_summary, &s->url_html_escape,
                   &s->time_filter, &s->size_filter})
    *b = kvval(false);
  s->show_folders = kvval(true);
  s->order_files = kvval(0);
  s->size_units = kvval(1);
  s->format = f.style_format(0);
  s->time_start = time_value(86400);
  s->time_end = time_value(86400 * 2 + 3661);
  s->size_start = kvval(0);
  s->size_end = kvval(1024);
}

TEST_F(Form1Test, EveryFieldRoundTripsThroughTheControls) {
  scoped_env tz("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
  tzset();
  dirgen_formatter f;
  f.load_tables(kvval(std::string_view(source_root() + "kvdata/")));
  ASSERT_GT(f.style_names().size(), 1u);
  for (auto fill : {fill_all_set, fill_all_clear}) {
    dirgen_project in, out;
    fill(f, &in);
    settings_to_controls(in, f, &c());
    controls_to_settings(c(), f, &out);
    for (int i = 0; i < kProjectFieldCount; ++i) {
      const char* key = project_field_key(i);
      EXPECT_EQ(project_field(&out, key)->str(), project_field(&in, key)->str())
          << key;
    }
  }
  tzset();
}

TEST_F(Form1Test, PickersShowLocalTimeAndSizeBoxesWholeKb) {
  scoped_env tz("TZ", "UTC-2");
  tzset();
  dirgen_formatter f;
  dirgen_project s;
  s.time_start = time_value(0);
  s.size_end = kvval(1536);
  s.size_start = kvval("3071");
  settings_to_controls(s, f, &c());
  EXPECT_EQ(c().start_date->date(), QDate(1970, 1, 1));
  EXPECT_EQ(c().start_time->time(), QTime(2, 0, 0));
  EXPECT_EQ(c().size_end->text(), "1");
  EXPECT_EQ(c().size_start->text(), "2");
  dirgen_project out;
  controls_to_settings(c(), f, &out);
  EXPECT_EQ(out.time_start.as_int64(), 0);
  EXPECT_EQ(out.size_end.as_int64(), 1024);
  EXPECT_EQ(out.size_start.as_int64(), 2048);
  tzset();
}

TEST_F(Form1Test, UnknownUnitsKeepTheRadiosAndUnknownFormatSavesEmpty) {
  dirgen_formatter f;
  f.load_tables(kvval(std::string_view(source_root() + "kvdata/")));
  dirgen_project s;
  s.size_units = kvval(1);
  settings_to_controls(s, f, &c());
  ASSERT_TRUE(c().kilobytes->isChecked());
  s.size_units = kvval("7");
  s.format = kvval("no-such-template.txt");
  settings_to_controls(s, f, &c());
  EXPECT_TRUE(c().kilobytes->isChecked());
  EXPECT_FALSE(c().bytes->isChecked());
  EXPECT_EQ(c().template_list->currentIndex(), -1);
  dirgen_project out;
  controls_to_settings(c(), f, &out);
  EXPECT_EQ(out.size_units.as_int(), 1);
  EXPECT_TRUE(out.format.is_text());
  EXPECT_EQ(out.format.str(), "");
}

TEST_F(Form1Test, CaptionAfterSaveAsOpenAndNew) {
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

TEST_F(Form1Test, OpenedSettingsFileDrivesControlsAndBrokenFileShowsDefaults) {
  c().kilobytes->setChecked(true);
  dir_.write("s.txt",
             "<size_end>1536</size_end><size_units>7</size_units>"
             "<format>nowhere.txt</format><path>/x</path>");
  desktop_.answers.push_back(dir_.at("s.txt"));
  form_->open_settings();
  EXPECT_EQ(c().size_end->text(), "1");
  EXPECT_TRUE(c().kilobytes->isChecked());
  EXPECT_EQ(c().template_list->currentIndex(), -1);
  EXPECT_EQ(c().source_edit->text(), "/x");

  dir_.write("broken.txt", "<mask>*");
  desktop_.answers.push_back(dir_.at("broken.txt"));
  form_->open_settings();
  EXPECT_EQ(caption(), "broken.txt - Dirgen 2.0");
  EXPECT_EQ(c().file_include->text(), "*");
  EXPECT_EQ(c().output_edit->text(), "index.html");
  EXPECT_EQ(c().size_end->text(), "1024");
}

TEST_F(Form1Test, MakeListingStopsOnACheckWithAWarning) {
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

TEST_F(Form1Test, RealBuildRunsOnAWorkerAndReportsCompletion) {
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
  EXPECT_EQ(sink_.shown[0].text, "Build is complete");
  EXPECT_EQ(sink_.shown[0].icon, message_icon::none);
  EXPECT_NE(dir_.read("out/list.html").find("a.txt"), std::string::npos);
  EXPECT_TRUE(form_->tabs()->isEnabled());
  EXPECT_FALSE(form_->progress_strip()->isVisibleTo(form_.get()));
  EXPECT_TRUE(form_->commands().view_output->isEnabled());
  EXPECT_TRUE(form_->view_output_action()->isEnabled());

  form_->view_output();
  ASSERT_EQ(desktop_.opened.size(), 1u);
  EXPECT_EQ(desktop_.opened[0], dir_.at("out/list.html"));
}

TEST_F(Form1Test, FailedBuildShowsItsMessageAndStillEnablesTheOutputLink) {
  std::filesystem::create_directory(dir_.at("empty"));
  c().source_edit->setText(QString::fromStdString(dir_.at("empty")));
  c().output_edit->setText(QString::fromStdString(dir_.at("list.html")));
  form_->make_listing();
  wait_for_build();
  ASSERT_EQ(sink_.shown.size(), 1u);
  EXPECT_EQ(sink_.shown[0].text, "Directory is empty.");
  EXPECT_EQ(sink_.shown[0].icon, message_icon::warning);
  EXPECT_TRUE(form_->commands().view_output->isEnabled());
}

TEST_F(Form1Test, MissingTemplateIsNamedInTheMessage) {
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
  EXPECT_EQ(last_message(),
            "Can't open template file " + working + "kvdata/gone.txt.");
}

TEST_F(Form1Test, ProgressBarSweepsInsideTheStripsFrame) {
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

TEST_F(Form1Test, OutputSaveAsGivesOnlyTheNameForOneFilePerSubfolder) {
  desktop_.answers = {"/data/out/list.html", "/data/out/list.html"};
  form_->output_save_as();
  EXPECT_EQ(c().output_edit->text(), "/data/out/list.html");
  EXPECT_NE(desktop_.last_filter.find("HTML Files"), std::string::npos);
  c().recursive->setChecked(true);
  c().per_folder->setChecked(true);
  form_->output_save_as();
  EXPECT_EQ(c().output_edit->text(), "list.html");
}

TEST_F(Form1Test, PathSelectUsesTheFolderOrTheArchiveDialog) {
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

TEST_F(Form1Test, TemplateCommandsWarnOrOpen) {
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
  EXPECT_EQ(last_message(), "Can't open template file");

  size_t messages = sink_.shown.size();
  form_->template_description();
  EXPECT_EQ(sink_.shown.size(), messages);
  ASSERT_EQ(desktop_.modal.size(), 1u);
  EXPECT_EQ(desktop_.modal[0], &form2_);
  EXPECT_EQ(form2_.windowTitle(), c().template_list->itemText(0));
  EXPECT_GT(form2_.text_area()->document()->blockCount(), 1);  // LF lines
}

TEST_F(Form1Test, DescriptionWindowBreaksLinesAtAnyLineEnd) {
  form2_.set_description("Style", "one\ntwo\r\nthree\rfour");
  EXPECT_EQ(form2_.windowTitle(), "Style");
  EXPECT_EQ(form2_.text_area()->toPlainText(), "one\ntwo\nthree\nfour");
}

TEST_F(Form1Test, HelpAboutExampleAndLocalPath) {
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
  EXPECT_EQ(about_.windowTitle(), "About");

  c().date_format->setText("%Y");
  form_->see_example();
  EXPECT_EQ(c().date_example->text().size(), 4);
  form_->new_settings();
  EXPECT_EQ(c().date_example->text(), "");

  c().image_dir->setText("");
  form_->put_local_path();
  EXPECT_EQ(c().image_dir->text().toStdString(),
            "file://" + working + "images");
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

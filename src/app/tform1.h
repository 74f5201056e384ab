// TForm1: the main window. Four tabs of controls show one settings record;
// menus create, open and save settings files; "Make Listing !" checks the
// settings, runs the build on a worker thread while a progress strip moves,
// and reports the result. Closing it ends the windowed mode. Message boxes,
// dialogs, modal windows and opening documents go through message_sink and
// desktop_services, which tests replace.
#ifndef DIRGEN_APP_TFORM1_H_
#define DIRGEN_APP_TFORM1_H_

#include <QMainWindow>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

#include "app/build_runner.h"
#include "app/desktop_services.h"
#include "app/form1_pages.h"
#include "app/message_sink.h"
#include "app/settings_controls.h"
#include "platform/file_dialogs.h"
#include "project/dirgen_formatter.h"
#include "project/dirgen_project.h"

class QAction;
class QFrame;
class QPushButton;
class QTabWidget;
class TAboutBox;
class TForm2;

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // working_folder ends in "/": the data folder is working_folder + "kvdata/"
  // and the help file the one find_manual chooses. Loads the tables, fills
  // the template list and runs New Settings.
  explicit TForm1(const std::string& working_folder, QWidget* parent = nullptr);
  ~TForm1() override;  // waits for a running build

  // The description window and the about box (not owned; may stay null,
  // and the commands that show them then do nothing).
  void set_windows(TForm2* description, TAboutBox* about);
  // Replace where messages, dialogs and documents go (not owned; null
  // restores the real ones).
  void set_message_sink(message_sink* sink);
  void set_desktop(desktop_services* desktop);

  // The commands of the menus, buttons and link labels.
  void new_settings();
  void open_settings();
  void save_settings();
  void save_settings_as();
  void path_select();
  void output_save_as();
  void edit_template();
  void template_description();
  void see_example();
  void put_local_path();
  void view_output();
  void show_help();
  void show_about();
  void select_tab(int index);
  // Checks the settings and, when they pass, starts the build and returns;
  // a 100 ms timer then moves the progress bar and reports the result when
  // the build ends. The window's controls are disabled meanwhile.
  void make_listing();

  bool building() const { return runner_ != nullptr; }
  form1_controls& controls() { return controls_; }
  const form1_commands& commands() const { return commands_; }
  const dirgen_project& settings() const { return settings_; }
  QAction* view_output_action() const { return view_output_action_; }
  QTabWidget* tabs() const { return tabs_; }
  QFrame* progress_strip() const { return strip_; }
  QWidget* progress_bar() const { return bar_; }
  // Places the bar inside the strip for tick (form1_rules.h).
  void draw_progress(int64_t tick);

 signals:
  // Emitted after a build's result has been reported.
  void build_finished(int code);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build_menus();
  QWidget* build_bottom_strip();
  void connect_commands();
  void poll_build();
  void report_build(int code);
  void set_busy(bool busy);
  void set_view_output_enabled(bool enabled);
  void set_caption(int32_t name_offset);
  void warn(const std::string& text);
  bool open_file(const std::string& path);

  std::string working_folder_;
  std::string data_folder_;
  std::string help_path_;
  std::string settings_path_;  // empty while the settings have no file
  dirgen_formatter formatter_;
  dirgen_project settings_;
  win_open_save_dialog file_dialog_;
  win_dir_open_dialog folder_dialog_;

  form1_controls controls_;
  form1_commands commands_;
  QTabWidget* tabs_ = nullptr;
  QFrame* strip_ = nullptr;
  QWidget* bar_ = nullptr;
  QPushButton* make_button_ = nullptr;
  QAction* view_output_action_ = nullptr;
  TForm2* description_ = nullptr;
  TAboutBox* about_ = nullptr;

  message_box_sink default_sink_;
  desktop_services default_desktop_;
  message_sink* sink_ = &default_sink_;
  desktop_services* desktop_ = &default_desktop_;

  QTimer poll_timer_;
  int64_t tick_ = 0;
  std::unique_ptr<build_runner> runner_;
};

#endif  // DIRGEN_APP_TFORM1_H_

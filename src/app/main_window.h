// main_window: the main window. Four tabs of controls show one settings record;
// menus create, open and save settings files; "Make Listing !" checks the
// settings, runs the build on a worker thread while the progress strip
// shows the counts, and reports the result. Unsaved changes are marked in
// the title and asked about before they would be lost. Closing it ends the
// windowed mode. Message boxes, dialogs, modal windows and opening
// documents go through message_sink and desktop_services, which tests
// replace. Window thread only.
#ifndef DIRGEN_APP_MAIN_WINDOW_H_
#define DIRGEN_APP_MAIN_WINDOW_H_

#include <QMainWindow>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

#include "app/build_runner.h"
#include "app/desktop_services.h"
#include "app/main_window_pages.h"
#include "app/message_sink.h"
#include "app/settings_controls.h"
#include "app/window_memory.h"
#include "platform/file_dialogs.h"
#include "project/data_tables.h"
#include "project/settings_record.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QTabWidget;
class about_box;
class description_window;

class main_window : public QMainWindow {
  Q_OBJECT

 public:
  // working_folder ends in "/": the data folder is working_folder + "kvdata/"
  // and the help file the one find_manual chooses. memory_file is the INI
  // file of what the window remembers between runs ("" for the user's own,
  // see window_memory.h). Loads the tables, fills the template list, runs
  // New Settings and takes back the remembered size and position.
  explicit main_window(const std::string& working_folder,
                       const std::string& memory_file = "",
                       QWidget* parent = nullptr);
  ~main_window() override;  // waits for a running build

  // The description window and the about box (not owned; may stay null,
  // and the commands that show them then do nothing).
  void set_windows(description_window* description, about_box* about);
  // Replace where messages, dialogs and documents go (not owned; null
  // restores the real ones).
  void set_message_sink(message_sink* sink);
  void set_desktop(desktop_services* desktop);

  // The commands of the menus, buttons and link labels. The ones that would
  // replace the settings ask first when they hold unsaved changes. The save
  // commands return true when the settings were written.
  void new_settings();
  void open_settings();
  bool open_settings_file(const std::string& path);
  bool save_settings();
  bool save_settings_as();
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
  // Takes a dropped folder or archive as the source, or opens a dropped
  // settings file. False (with a message) when path is none of these.
  bool take_dropped(const std::string& path);
  // Checks the settings and, when they pass, starts the build and returns;
  // a 100 ms timer then shows the progress and reports the result when the
  // build ends. The window's controls are disabled meanwhile, except Cancel.
  void make_listing();
  // Asks a running build to stop at its next entry.
  void cancel_build();

  bool building() const { return runner_ != nullptr; }
  main_window_controls& controls() { return controls_; }
  const main_window_commands& commands() const { return commands_; }
  const settings_record& settings() const { return settings_; }
  QAction* view_output_action() const { return view_output_action_; }
  QMenu* recent_menu() const { return recent_menu_; }
  QTabWidget* tabs() const { return tabs_; }
  QFrame* progress_strip() const { return strip_; }
  QWidget* progress_bar() const { return bar_; }
  QLabel* progress_counts() const { return counts_; }
  QPushButton* cancel_button() const { return cancel_button_; }
  QLabel* status_line() const { return status_; }
  // Places the bar inside the strip for tick (main_window_rules.h).
  void draw_progress(int64_t tick);

 signals:
  // Emitted after a build's result has been reported.
  void build_finished(int code);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QSize first_size() const;
  void build_menus();
  QWidget* build_bottom_strip();
  void connect_commands();
  void watch_for_changes();
  void start_build(const settings_record& settings);
  void poll_build();
  void report_build(const build_outcome& outcome);
  void set_busy(bool busy);
  void set_view_output_enabled(bool enabled);
  void show_status(const std::string& text);
  // The caption for the current settings path, with the mark Qt shows for
  // unsaved changes; then the record the controls show counts as saved.
  void set_caption(int32_t name_offset);
  void mark_saved();
  void update_modified();
  // True when the changes were saved or may be dropped; false on Cancel.
  bool settings_may_be_replaced();
  bool check_size_boxes();
  bool load_from(const std::string& path, int32_t name_offset);
  bool save_to(const std::string& path);
  void remember_recent(const std::string& path);
  void forget_recent(const std::string& path);
  void fill_recent_menu();
  void warn(const std::string& text);
  // Opens path with its application, or warns with failure (and the
  // reason, when there is one).
  void open_file(const std::string& path, const std::string& failure);

  std::string working_folder_;
  std::string data_folder_;
  std::string help_path_;
  std::string settings_path_;  // empty while the settings have no file
  data_tables formatter_;
  settings_record settings_;
  settings_record saved_;     // what the controls showed when last saved/opened
  std::string listing_path_;  // what the last successful build wrote
  file_dialog file_dialog_;
  folder_dialog folder_dialog_;
  window_memory memory_;

  main_window_controls controls_;
  main_window_commands commands_;
  QTabWidget* tabs_ = nullptr;
  QFrame* strip_ = nullptr;
  QWidget* bar_ = nullptr;
  QLabel* counts_ = nullptr;
  QPushButton* cancel_button_ = nullptr;
  QPushButton* make_button_ = nullptr;
  QAction* view_output_action_ = nullptr;
  QMenu* recent_menu_ = nullptr;
  QLabel* status_ = nullptr;
  description_window* description_ = nullptr;
  about_box* about_ = nullptr;

  message_box_sink default_sink_;
  desktop_services default_desktop_;
  message_sink* sink_ = &default_sink_;
  desktop_services* desktop_ = &default_desktop_;

  QTimer poll_timer_;
  int64_t tick_ = 0;
  bool close_after_build_ = false;
  std::unique_ptr<build_runner> runner_;
};

#endif  // DIRGEN_APP_MAIN_WINDOW_H_

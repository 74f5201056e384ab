// main_window's commands: settings files and the Recent files list, the
// dialogs, drops, the template and output links, help and about, and "Make
// Listing !".
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <string_view>

#include "app/about_box.h"
#include "app/description_window.h"
#include "app/main_window.h"
#include "app/main_window_rules.h"
#include "listing/build.h"
#include "listing/variables.h"

namespace {

// Description and pattern pairs, each NUL-terminated, ended by an extra NUL.
template <size_t N>
variant filter_text(const char (&pairs)[N]) {
  return variant(std::string_view(pairs, N - 1));
}

const char kOutputFilter[] =
    "HTML Files (*.htm; *.html; *.shtml)\0*.htm;*.html;*.shtml\0"
    "Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0";
// Archives are recognised by content, so any file may be one.
const char kArchiveFilter[] =
    "Archive files (*.tar; *.tgz; *.tar.gz; *.tar_gz; *.zip; *.tar.bz2; "
    "*.tar.xz; *.tar.zst; *.7z; *.iso; *.cpio)\0"
    "*.tar;*.tgz;*.tar.gz;*.tar_gz;*.zip;*.tar.bz2;*.tar.xz;*.tar.zst;*.7z;"
    "*.iso;*.cpio\0All Files (*.*)\0*.*\0";
const char kSettingsFilter[] =
    "Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0";

// The names under which window_memory keeps each dialog's last folder.
const char kSettingsDialog[] = "settings";
const char kSourceDialog[] = "source";
const char kArchiveDialog[] = "archive";
const char kOutputDialog[] = "output";

variant text_value(const std::string& text) {
  return variant(std::string_view(text));
}

}  // namespace

// Asks Save / Discard / Cancel when the controls differ from the settings
// last opened or saved.
bool main_window::settings_may_be_replaced() {
  if (!isWindowModified()) return true;
  std::string question = settings_path_.empty()
                             ? "The settings have been changed. Save them?"
                             : "The settings have been changed. Save them to " +
                                   settings_path_ + "?";
  switch (sink_->ask(this, question, message_icon::question,
                     {"Save", "Discard", "Cancel"}, 0)) {
    case 0:
      return save_settings();
    case 1:
      return true;
    default:
      return false;
  }
}

void main_window::new_settings() {
  if (!settings_may_be_replaced()) return;
  settings_path_.clear();
  settings_.reset_settings();
  settings_to_controls(settings_, formatter_, &controls_);
  set_caption(0);
  mark_saved();
  listing_path_.clear();
  set_view_output_enabled(false);
}

void main_window::open_settings() {
  if (!settings_may_be_replaced()) return;
  file_dialog_.filter = filter_text(kSettingsFilter);
  file_dialog_.title = variant("Open Settings");
  file_dialog_.initial_folder =
      text_value(settings_path_.empty() ? memory_.last_folder(kSettingsDialog)
                                        : folder_part(settings_path_));
  if (!desktop_->show_open(&file_dialog_)) return;
  std::string path = file_dialog_.result.str();
  memory_.set_last_folder(kSettingsDialog, folder_part(path));
  load_from(path, file_dialog_.name_offset);
}

bool main_window::open_settings_file(const std::string& path) {
  if (!settings_may_be_replaced()) return false;
  if (load_from(path, 0)) return true;
  if (role_of_dropped(path) == drop_role::nothing) forget_recent(path);
  return false;
}

// A file that is not a readable settings file changes nothing.
bool main_window::load_from(const std::string& path, int32_t name_offset) {
  settings_record read;
  std::string err;
  if (!read_settings_file(path, &read, &err)) {
    warn(err);
    return false;
  }
  settings_ = read;
  settings_path_ = path;
  settings_to_controls(settings_, formatter_, &controls_);
  set_caption(name_offset);
  mark_saved();
  remember_recent(path);
  show_status("Settings opened from " + path);
  return true;
}

bool main_window::save_settings() {
  if (settings_path_.empty()) return save_settings_as();
  if (!check_size_boxes()) return false;
  controls_to_settings(controls_, formatter_, &settings_);
  return save_to(settings_path_);
}

bool main_window::save_settings_as() {
  if (!check_size_boxes()) return false;
  controls_to_settings(controls_, formatter_, &settings_);
  file_dialog_.filter = filter_text(kSettingsFilter);
  file_dialog_.title = variant("Save Settings As");
  file_dialog_.default_extension = variant("txt");
  file_dialog_.initial_folder =
      text_value(settings_path_.empty() ? memory_.last_folder(kSettingsDialog)
                                        : folder_part(settings_path_));
  if (!desktop_->show_save(&file_dialog_)) return false;
  std::string path = file_dialog_.result.str();
  memory_.set_last_folder(kSettingsDialog, folder_part(path));
  if (!save_to(path)) return false;
  set_caption(file_dialog_.name_offset);
  return true;
}

// Writes the record to path; only a file really written becomes the
// settings file and clears the mark of unsaved changes.
bool main_window::save_to(const std::string& path) {
  std::string err;
  if (!write_settings_file(settings_, path, &err)) {
    warn(err);
    return false;
  }
  settings_path_ = path;
  mark_saved();
  remember_recent(path);
  show_status("Settings saved to " + path);
  return true;
}

bool main_window::check_size_boxes() {
  for (QLineEdit* box : {controls_.size_start, controls_.size_end}) {
    int64_t kb = 0;
    std::string why;
    if (!read_size_box(from_qt(box->text()), &kb, &why)) {
      select_tab(1);
      box->setFocus();
      box->selectAll();
      warn(why);
      return false;
    }
  }
  return true;
}

void main_window::remember_recent(const std::string& path) {
  memory_.set_recent_files(with_recent(memory_.recent_files(), path));
  fill_recent_menu();
}

// A recent file that no longer exists leaves the list once it was tried.
void main_window::forget_recent(const std::string& path) {
  std::vector<std::string> recent = memory_.recent_files();
  std::erase(recent, path);
  memory_.set_recent_files(recent);
  fill_recent_menu();
}

void main_window::fill_recent_menu() {
  recent_menu_->clear();
  std::vector<std::string> recent = memory_.recent_files();
  for (size_t i = 0; i < recent.size(); ++i) {
    QString caption = QStringLiteral("&%1 %2").arg(i + 1).arg(
        to_qt(recent[i]).replace("&", "&&"));
    std::string path = recent[i];
    // Queued: the menu has closed, and whoever chose the item has been
    // answered, before a question about unsaved changes opens.
    connect(
        recent_menu_->addAction(caption), &QAction::triggered, this,
        [this, path] { open_settings_file(path); }, Qt::QueuedConnection);
  }
  recent_menu_->setEnabled(!recent.empty());
}

void main_window::path_select() {
  std::string source = from_qt(controls_.source_edit->text());
  if (controls_.archive_radio->isChecked()) {
    file_dialog_.filter = filter_text(kArchiveFilter);
    file_dialog_.title = variant("Select Source Archive");
    file_dialog_.default_extension = variant("");
    file_dialog_.initial_folder =
        text_value(source.empty() ? memory_.last_folder(kArchiveDialog)
                                  : folder_part(source));
    if (!desktop_->show_open(&file_dialog_)) return;
    std::string chosen = file_dialog_.result.str();
    memory_.set_last_folder(kArchiveDialog, folder_part(chosen));
    controls_.source_edit->setText(to_qt(chosen));
    return;
  }
  folder_dialog_.title = variant("Select Source Folder");
  folder_dialog_.initial_folder =
      text_value(source.empty() ? memory_.last_folder(kSourceDialog) : source);
  if (!desktop_->browse(&folder_dialog_)) return;
  std::string chosen = folder_dialog_.result.str();
  memory_.set_last_folder(kSourceDialog, chosen);
  controls_.source_edit->setText(to_qt(chosen));
}

void main_window::output_save_as() {
  std::string source = from_qt(controls_.source_edit->text());
  file_dialog_.filter = filter_text(kOutputFilter);
  file_dialog_.title = variant("Save Generated Output File As");
  file_dialog_.default_extension = variant("html");
  file_dialog_.initial_folder =
      text_value(source.empty() ? memory_.last_folder(kOutputDialog)
                 : controls_.archive_radio->isChecked() ? folder_part(source)
                                                        : source);
  if (!desktop_->show_save(&file_dialog_)) return;
  std::string chosen = file_dialog_.result.str();
  memory_.set_last_folder(kOutputDialog, folder_part(chosen));
  bool name_only =
      controls_.recursive->isChecked() && controls_.per_folder->isChecked();
  if (name_only && file_dialog_.name_offset >= 0 &&
      static_cast<size_t>(file_dialog_.name_offset) <= chosen.size())
    chosen = chosen.substr(static_cast<size_t>(file_dialog_.name_offset));
  controls_.output_edit->setText(to_qt(chosen));
}

bool main_window::take_dropped(const std::string& path) {
  switch (role_of_dropped(path)) {
    case drop_role::nothing:
      warn("Can't use " + path + ": it does not exist.");
      return false;
    case drop_role::settings_file:
      return open_settings_file(path);
    case drop_role::source_folder:
      controls_.directory_radio->setChecked(true);
      break;
    case drop_role::source_archive:
      controls_.archive_radio->setChecked(true);
      break;
  }
  controls_.source_edit->setText(to_qt(path));
  select_tab(0);
  return true;
}

void main_window::edit_template() {
  std::string file =
      formatter_.style_format(controls_.template_list->currentIndex()).str();
  if (file.empty()) {
    warn("There is no template file selected.");
  } else {
    open_file(data_folder_ + file, "Can't open template file");
  }
}

void main_window::template_description() {
  int position = controls_.template_list->currentIndex();
  std::string text = formatter_.style_description(position).str();
  if (text.empty()) {
    warn("There is no description for this template.");
    return;
  }
  if (description_ == nullptr) return;
  description_->set_description(from_qt(controls_.template_list->currentText()),
                                text);
  desktop_->show_modal(description_);
}

// The same formatting as the listing's dates, with the GMT setting shown.
void main_window::see_example() {
  controls_.date_example->setText(
      to_qt(format_time(current_utc_seconds(), controls_.gmt_dates->isChecked(),
                        from_qt(controls_.date_format->text()))));
}

void main_window::put_local_path() {
  controls_.image_dir->setEditText(to_qt(local_images_url(working_folder_)));
}

// The file the last successful build wrote.
void main_window::view_output() {
  open_file(listing_path_, "Can't open " + listing_path_);
}

void main_window::show_help() { open_file(help_path_, "Can't open help file"); }

void main_window::show_about() {
  if (about_ != nullptr) desktop_->show_modal(about_);
}

// xdg-open reports a missing file only after it has started, so that case
// is caught here; any later failure of xdg-open is reported when it ends.
void main_window::open_file(const std::string& path,
                            const std::string& failure) {
  if (!is_existing_file(path)) {
    warn(failure);
    return;
  }
  desktop_->open_document(path, this, [this, failure](const std::string& why) {
    warn(failure + "\n" + why);
  });
}

void main_window::make_listing() {
  if (building() || !check_size_boxes()) return;
  controls_to_settings(controls_, formatter_, &settings_);
  std::string message = listing_check_message(settings_);
  if (!message.empty()) {
    warn(message);
    return;
  }
  start_build(settings_);
}

void main_window::start_build(const settings_record& settings) {
  runner_ = std::make_unique<build_runner>(settings, &formatter_, data_folder_);
  tick_ = 0;
  set_busy(true);
  show_status("Making the listing...");
  poll_timer_.start();
  poll_build();
}

void main_window::cancel_build() {
  if (!building()) return;
  runner_->cancel();
  cancel_button_->setEnabled(false);
  show_status("Cancelling...");
}

void main_window::poll_build() {
  if (!building()) return;
  draw_progress(++tick_);
  counts_->setText(to_qt(progress_text(runner_->entries(), runner_->bytes())));
  build_outcome outcome;
  if (!runner_->finished(&outcome)) return;
  poll_timer_.stop();
  runner_.reset();
  set_busy(false);
  bool ok = outcome.code == kBuildOk;
  listing_path_ = ok ? listing_output_path(settings_) : "";
  set_view_output_enabled(ok);
  std::string line = result_line(outcome, settings_.source.as_bool());
  show_status(ok ? line + " " + listing_path_ + " " + listings_line(outcome)
                 : line);
  if (close_after_build_) {
    close_after_build_ = false;
    close();
  } else {
    report_build(outcome);
  }
  emit build_finished(outcome.code);
}

void main_window::report_build(const build_outcome& outcome) {
  if (outcome.code == kBuildOk) {
    // With entries left out, the first line says how many.
    const std::string head =
        outcome.unreadable > 0
            ? result_line(outcome, settings_.source.as_bool())
            : "Build is complete";
    size_t answer = sink_->ask(
        this, head + "\n" + listing_path_ + "\n" + listings_line(outcome),
        message_icon::none, {"Open the listing", "OK"}, 1);
    if (answer == 0) view_output();
    return;
  }
  if (asks_to_replace(outcome)) {
    size_t answer = sink_->ask(this, replace_question(outcome),
                               message_icon::question, {"Replace", "Cancel"},
                               1);
    if (answer == 0) start_build(with_replacing_allowed(settings_));
    return;
  }
  warn(result_line(outcome, settings_.source.as_bool()));
}

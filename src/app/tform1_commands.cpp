// TForm1's commands: settings files, the dialogs, the template and output
// links, help and about, and "Make Listing !".
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <string_view>

#include "app/form1_rules.h"
#include "app/tabout_box.h"
#include "app/tform1.h"
#include "app/tform2.h"
#include "listing/build.h"

namespace {

// Description and pattern pairs, each NUL-terminated, ended by an extra NUL.
template <size_t N>
kvval filter_text(const char (&pairs)[N]) {
  return kvval(std::string_view(pairs, N - 1));
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

kvval text_value(const std::string& text) {
  return kvval(std::string_view(text));
}

}  // namespace

void TForm1::new_settings() {
  settings_path_.clear();
  settings_.reset_settings();
  local_images_path(text_value(working_folder_), &settings_.image_dir);
  settings_to_controls(settings_, formatter_, &controls_);
  set_caption(0);
  set_view_output_enabled(false);
}

void TForm1::open_settings() {
  file_dialog_.filter = filter_text(kSettingsFilter);
  if (!desktop_->show_open(&file_dialog_)) return;
  settings_path_ = file_dialog_.result.str();
  std::string err;  // a failure shows the defaults
  settings_.load_settings(file_dialog_.result, &err);
  settings_to_controls(settings_, formatter_, &controls_);
  set_caption(file_dialog_.name_offset);
}

void TForm1::save_settings() {
  if (settings_path_.empty()) {
    save_settings_as();
    return;
  }
  controls_to_settings(controls_, formatter_, &settings_);
  std::string err;  // not shown: the window has no message for it
  settings_.save_settings(text_value(settings_path_), &err);
}

void TForm1::save_settings_as() {
  controls_to_settings(controls_, formatter_, &settings_);
  file_dialog_.filter = filter_text(kSettingsFilter);
  file_dialog_.default_extension = kvval("txt");
  if (!settings_path_.empty())
    file_dialog_.initial_folder = text_value(folder_part(settings_path_));
  if (!desktop_->show_save(&file_dialog_)) return;
  settings_path_ = file_dialog_.result.str();
  std::string err;  // not shown: the window has no message for it
  settings_.save_settings(file_dialog_.result, &err);
  set_caption(file_dialog_.name_offset);
}

void TForm1::path_select() {
  std::string source = from_qt(controls_.source_edit->text());
  if (controls_.archive_radio->isChecked()) {
    file_dialog_.filter = filter_text(kArchiveFilter);
    file_dialog_.initial_folder = text_value(folder_part(source));
    if (desktop_->show_open(&file_dialog_))
      controls_.source_edit->setText(to_qt(file_dialog_.result));
    return;
  }
  if (!source.empty()) folder_dialog_.initial_folder = text_value(source);
  if (desktop_->browse(&folder_dialog_))
    controls_.source_edit->setText(to_qt(folder_dialog_.result));
}

void TForm1::output_save_as() {
  std::string source = from_qt(controls_.source_edit->text());
  file_dialog_.filter = filter_text(kOutputFilter);
  file_dialog_.default_extension = kvval("html");
  file_dialog_.initial_folder = text_value(
      controls_.archive_radio->isChecked() ? folder_part(source) : source);
  if (!desktop_->show_save(&file_dialog_)) return;
  std::string chosen = file_dialog_.result.str();
  bool name_only =
      controls_.recursive->isChecked() && controls_.per_folder->isChecked();
  if (name_only && file_dialog_.name_offset >= 0 &&
      static_cast<size_t>(file_dialog_.name_offset) <= chosen.size())
    chosen = chosen.substr(static_cast<size_t>(file_dialog_.name_offset));
  controls_.output_edit->setText(to_qt(chosen));
}

void TForm1::edit_template() {
  std::string file =
      formatter_.style_format(controls_.template_list->currentIndex()).str();
  if (file.empty()) {
    warn("There is no template file selected.");
  } else if (!open_file(data_folder_ + file)) {
    warn("Can't open template file");
  }
}

void TForm1::template_description() {
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

void TForm1::see_example() {
  controls_.date_example->setText(to_qt(date_example(
      from_qt(controls_.date_format->text()), current_utc_seconds())));
}

void TForm1::put_local_path() {
  kvval path;
  local_images_path(text_value(working_folder_), &path);
  controls_.image_dir->setText(to_qt(path));
}

// The file the last build wrote, as the record of the last
// controls_to_settings names it (a relative name resolved as the build
// resolved it).
void TForm1::view_output() {
  std::string path = generated_output_path(settings_);
  if (!open_file(path)) warn("Can't open " + path);
}

void TForm1::show_help() {
  if (!open_file(help_path_)) warn("Can't open help file");
}

void TForm1::show_about() {
  if (about_ != nullptr) desktop_->show_modal(about_);
}

// xdg-open reports no failure once started, so a missing file is caught
// here, where the user can still be told.
bool TForm1::open_file(const std::string& path) {
  return is_existing_file(path) && desktop_->open_document(path);
}

void TForm1::make_listing() {
  if (building()) return;
  controls_to_settings(controls_, formatter_, &settings_);
  std::string message = listing_check_message(settings_);
  if (!message.empty()) {
    warn(message);
    return;
  }
  runner_ =
      std::make_unique<build_runner>(settings_, &formatter_, data_folder_);
  tick_ = 0;
  set_busy(true);
  poll_timer_.start();
  poll_build();
}

void TForm1::poll_build() {
  if (!building()) return;
  draw_progress(++tick_);
  int code = -1;
  if (!runner_->finished(&code)) return;
  poll_timer_.stop();
  runner_.reset();
  set_busy(false);
  report_build(code);
  set_view_output_enabled(true);
  emit build_finished(code);
}

void TForm1::report_build(int code) {
  if (code == kBuildOk) {
    sink_->show(this, "Build is complete", message_icon::none);
    return;
  }
  kvval message("");
  result_message(code, &message, settings_.source);
  std::string text = message.str();
  if (code == kBuildNoTemplate)
    text = "Can't open template file " + data_folder_ + settings_.format.str() +
           ".";
  if (text.empty()) text = "Build failed (code " + std::to_string(code) + ").";
  warn(text);
}

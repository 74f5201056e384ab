#include "platform/file_dialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>
#include <string>
#include <vector>

namespace {

QString path_to_qt(const variant& path) {
  std::string_view bytes = path.view();
  return QFile::decodeName(
      QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string path_from_qt(const QString& path) {
  QByteArray bytes = QFile::encodeName(path);
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString text_to_qt(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Removes a trailing "/" from the field in place.
void adjust_field(variant* folder) {
  std::string text = folder->str();
  adjust_initial_folder(&text);
  *folder = variant(std::string_view(text));
}

QFileDialog::FileMode open_mode(uint32_t flags) {
  if (flags & kDialogAllowMultiSelect) return QFileDialog::ExistingFiles;
  if (flags & kDialogFileMustExist) return QFileDialog::ExistingFile;
  return QFileDialog::AnyFile;
}

void apply_fields(QFileDialog* dialog, const file_dialog& d) {
  QStringList filters;
  for (const std::string& f : name_filters_of(d.filter.view()))
    filters << text_to_qt(f);
  if (!filters.isEmpty()) {
    dialog->setNameFilters(filters);
    dialog->selectNameFilter(filters.front());
  }
  if (d.initial_folder.length() > 0)
    dialog->setDirectory(path_to_qt(d.initial_folder));
  if (d.initial_file_name.length() > 0)
    dialog->selectFile(path_to_qt(d.initial_file_name));
  if (d.title.length() > 0)
    dialog->setWindowTitle(text_to_qt(one_line_title(d.title.view())));
  std::string suffix = d.default_extension.str();
  if (!suffix.empty() && suffix.front() == '.') suffix.erase(0, 1);
  if (!suffix.empty()) dialog->setDefaultSuffix(text_to_qt(suffix));
}

}  // namespace

file_dialog::file_dialog()
    : result(""),
      filter(""),
      default_extension(""),
      initial_file_name(""),
      initial_folder(""),
      title("") {}

bool file_dialog::show_save() { return run(true); }

bool file_dialog::show_open() { return run(false); }

bool file_dialog::run(bool save) {
  adjust_field(&initial_folder);
  QFileDialog dialog(owner);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave
                            : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : open_mode(flags));
  dialog.setOption(QFileDialog::DontConfirmOverwrite,
                   (flags & kDialogOverwritePrompt) == 0);
  apply_fields(&dialog, *this);
  std::vector<std::string> chosen;
  if (dialog.exec() == QDialog::Accepted) {
    for (const QString& file : dialog.selectedFiles())
      chosen.push_back(path_from_qt(file));
  }
  if (chosen.empty()) {
    result = variant("");
    name_offset = -1;
    return false;
  }
  if (chosen.size() == 1 || (flags & kDialogAllowMultiSelect) == 0) {
    chosen.resize(1);
    chosen[0] = with_default_extension(chosen[0], default_extension.view());
  }
  result = variant(std::string_view(multi_select_result(chosen, &name_offset)));
  return true;
}

folder_dialog::folder_dialog() : result(""), initial_folder(""), title("") {}

bool folder_dialog::browse() {
  adjust_field(&initial_folder);
  QFileDialog dialog(owner);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  if (initial_folder.length() > 0)
    dialog.setDirectory(path_to_qt(initial_folder));
  if (title.length() > 0)
    dialog.setWindowTitle(text_to_qt(one_line_title(title.view())));
  if (dialog.exec() != QDialog::Accepted) return false;
  QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return false;
  result = variant(std::string_view(path_from_qt(chosen.front())));
  return true;
}

void center_on_screen(QWidget* window) {
  QScreen* screen = window->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect area = screen->geometry();
  QSize size = window->frameGeometry().size();
  window_origin origin =
      centered_origin(area.width(), area.height(), size.width(), size.height());
  window->move(area.left() + origin.left, area.top() + origin.top);
}

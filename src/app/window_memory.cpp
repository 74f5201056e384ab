#include "app/window_memory.h"

#include <QSettings>
#include <QString>
#include <QVariant>

namespace {

QByteArray bytes_of(const std::string& text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string text_of(const QByteArray& bytes) {
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString folder_key(const std::string& dialog) {
  return QStringLiteral("folders/") + QString::fromStdString(dialog);
}

}  // namespace

window_memory::window_memory(const std::string& file)
    : store_(file.empty()
                 ? std::make_unique<QSettings>(QSettings::IniFormat,
                                               QSettings::UserScope, "dirgen",
                                               "dirgen")
                 : std::make_unique<QSettings>(QString::fromStdString(file),
                                               QSettings::IniFormat)) {}

window_memory::~window_memory() = default;

QByteArray window_memory::geometry() const {
  return store_->value("window/geometry").toByteArray();
}

void window_memory::set_geometry(const QByteArray& geometry) {
  store_->setValue("window/geometry", geometry);
}

std::string window_memory::last_folder(const std::string& dialog) const {
  return text_of(store_->value(folder_key(dialog)).toByteArray());
}

void window_memory::set_last_folder(const std::string& dialog,
                                    const std::string& folder) {
  store_->setValue(folder_key(dialog), bytes_of(folder));
}

std::vector<std::string> window_memory::recent_files() const {
  std::vector<std::string> files;
  int n = store_->beginReadArray("recent");
  for (int i = 0; i < n; ++i) {
    store_->setArrayIndex(i);
    std::string path = text_of(store_->value("path").toByteArray());
    if (!path.empty()) files.push_back(path);
  }
  store_->endArray();
  return files;
}

void window_memory::set_recent_files(const std::vector<std::string>& files) {
  store_->remove("recent");
  store_->beginWriteArray("recent", static_cast<int>(files.size()));
  for (size_t i = 0; i < files.size(); ++i) {
    store_->setArrayIndex(static_cast<int>(i));
    store_->setValue("path", bytes_of(files[i]));
  }
  store_->endArray();
  store_->sync();
}

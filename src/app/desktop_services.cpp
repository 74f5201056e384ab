#include "app/desktop_services.h"

#include <QDialog>
#include <QFile>
#include <QProcess>

namespace {

// What xdg-open's exit status says went wrong.
std::string xdg_open_failure(int status) {
  switch (status) {
    case 2:
      return "the file does not exist.";
    case 3:
      return "no application to open it was found.";
    case 4:
      return "the application meant to open it failed.";
    default:
      return "xdg-open ended with status " + std::to_string(status) + ".";
  }
}

}  // namespace

bool desktop_services::show_open(file_dialog* dialog) {
  return dialog->show_open();
}

bool desktop_services::show_save(file_dialog* dialog) {
  return dialog->show_save();
}

bool desktop_services::browse(folder_dialog* dialog) {
  return dialog->browse();
}

void desktop_services::show_modal(QDialog* dialog) { dialog->exec(); }

// xdg-open may wait for the application it starts (a browser, an editor),
// so the process is not waited for: it reports when it ends and then
// deletes itself. It has no parent, so closing the window never kills an
// application the user is still working in.
void desktop_services::open_document(const std::string& path, QObject* context,
                                     open_failed failed) {
  auto* process = new QProcess;
  process->setProgram("xdg-open");
  process->setArguments({QFile::decodeName(
      QByteArray(path.data(), static_cast<qsizetype>(path.size())))});
  process->setStandardInputFile(QProcess::nullDevice());
  QObject::connect(process, &QProcess::errorOccurred, context,
                   [failed](QProcess::ProcessError error) {
                     if (error == QProcess::FailedToStart)
                       failed("xdg-open could not be started.");
                   });
  QObject::connect(process, &QProcess::errorOccurred, process,
                   [process](QProcess::ProcessError error) {
                     if (error == QProcess::FailedToStart)
                       process->deleteLater();
                   });
  QObject::connect(
      process, &QProcess::finished, context,
      [failed](int status, QProcess::ExitStatus how) {
        if (how != QProcess::NormalExit || status != 0)
          failed(xdg_open_failure(how == QProcess::NormalExit ? status : -1));
      });
  QObject::connect(process, &QProcess::finished, process,
                   &QObject::deleteLater);
  process->start();
}

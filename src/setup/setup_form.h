// setup_form, the installer's window: a header with the product picture
// and title, four page panels in one area (welcome, licence, destination,
// progress) and the "< Back", middle and rightmost buttons. It only shows a
// setup_wizard's state and forwards the buttons to it. Created by
// run_installer; tests create it with fake services.
#ifndef DIRGEN_SETUP_SETUP_FORM_H_
#define DIRGEN_SETUP_SETUP_FORM_H_

#include <QWidget>
#include <memory>
#include <string>

#include "setup/setup_services.h"
#include "setup/setup_wizard.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

class setup_form : public QWidget {
  Q_OBJECT

 public:
  // Checks the distribution in source_folder and shows page 0. services
  // (not owned) replaces the real message boxes and free-space query when
  // non-null.
  setup_form(const std::string& source_folder,
             const std::string& current_folder,
             setup_services* services = nullptr, QWidget* parent = nullptr);
  ~setup_form() override;

  const setup_wizard& wizard() const { return *wizard_; }

 protected:
  void showEvent(QShowEvent* event) override;
  // Return presses the middle button ("Finish" on the last page), Esc the
  // rightmost one.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void build_header();
  void build_welcome_panel();
  void build_license_panel();
  void build_destination_panel();
  void build_progress_panel();
  void build_buttons();
  QLabel* add_label(QWidget* panel, const QString& text, int x, int y, int w,
                    int h);
  void on_middle();
  void on_back();
  void on_select();
  void on_install_start();
  void on_progress(int percent);
  // Shows the wizard's page, or closes the window once the wizard ended.
  void refresh();

  std::unique_ptr<setup_services> own_services_;
  setup_services* services_ = nullptr;  // own_services_ or the caller's
  std::unique_ptr<setup_wizard> wizard_;
  QWidget* welcome_panel_ = nullptr;
  QWidget* license_panel_ = nullptr;
  QWidget* destination_panel_ = nullptr;
  QWidget* progress_panel_ = nullptr;
  QPlainTextEdit* license_box_ = nullptr;
  QLineEdit* destination_edit_ = nullptr;
  QLabel* required_label_ = nullptr;
  QLabel* notice_label_ = nullptr;
  QLabel* hint_label_ = nullptr;
  QLabel* details_label_ = nullptr;
  QPushButton* start_button_ = nullptr;
  QProgressBar* progress_bar_ = nullptr;
  QLabel* percent_label_ = nullptr;
  QLabel* completion_label_ = nullptr;
  QPushButton* back_button_ = nullptr;
  QPushButton* middle_button_ = nullptr;
  QPushButton* right_button_ = nullptr;
};

#endif  // DIRGEN_SETUP_SETUP_FORM_H_

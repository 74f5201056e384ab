// about_box: the about box of the main window's "&About" command: the
// program icon, the product name, the version and a notice line, and an
// "OK" button. Created hidden at start-up and shown modally on request.
#ifndef DIRGEN_APP_ABOUT_BOX_H_
#define DIRGEN_APP_ABOUT_BOX_H_

#include <QDialog>
#include <QIcon>

class QLabel;

class about_box : public QDialog {
  Q_OBJECT

 public:
  // icon: the program's icon; the toolkit's folder icon is shown when it is
  // null.
  explicit about_box(const QIcon& icon, QWidget* parent = nullptr);

  QLabel* product_name() const { return product_; }
  QLabel* version() const { return version_; }
  QLabel* copyright() const { return copyright_; }
  QLabel* comments() const { return comments_; }

 private:
  QLabel* product_;
  QLabel* version_;
  QLabel* copyright_;
  QLabel* comments_;
};

#endif  // DIRGEN_APP_ABOUT_BOX_H_

// description_window: the description window. Shows a template's description
// text in a read-only text area with an "OK" button; the main window sets the
// text and the caption before each showing and shows it modally. Created hidden
// at start-up and kept until the program ends.
#ifndef DIRGEN_APP_DESCRIPTION_WINDOW_H_
#define DIRGEN_APP_DESCRIPTION_WINDOW_H_

#include <QDialog>
#include <string>

class QPlainTextEdit;
class QPushButton;

class description_window : public QDialog {
  Q_OBJECT

 public:
  explicit description_window(QWidget* parent = nullptr);

  // Puts text (UTF-8; line ends CR LF, CR or LF) into the text area and
  // caption into the title bar. The window keeps them until the next call.
  void set_description(const std::string& caption, const std::string& text);

  QPlainTextEdit* text_area() const { return text_; }

 private:
  QPlainTextEdit* text_;
  QPushButton* ok_;
};

#endif  // DIRGEN_APP_DESCRIPTION_WINDOW_H_

// Where the windows' message boxes go. Every message box of the main window
// passes through one message_sink, so that tests can take the messages and
// give the answers instead of a modal box blocking the test. The default
// shows a QMessageBox with the caption "Dirgen 2.0".
#ifndef DIRGEN_APP_MESSAGE_SINK_H_
#define DIRGEN_APP_MESSAGE_SINK_H_

#include <string>
#include <vector>

class QWidget;

enum class message_icon {
  none,      // a plain box: OK button, no icon
  warning,   // the warning icon and an OK button
  question,  // the question icon; used with ask()
};

class message_sink {
 public:
  virtual ~message_sink() = default;
  // Shows text (UTF-8) owned by owner (may be null) and returns when the
  // user has dismissed it.
  virtual void show(QWidget* owner, const std::string& text,
                    message_icon icon) = 0;
  // Shows text with one button per caption of buttons, in that order, and
  // returns the position of the one pressed. Return presses the button at
  // default_button; Escape or closing the box gives the last position.
  // REQUIRES: default_button < buttons.size().
  virtual size_t ask(QWidget* owner, const std::string& text, message_icon icon,
                     const std::vector<std::string>& buttons,
                     size_t default_button) = 0;
};

// The real thing: a modal QMessageBox captioned "Dirgen 2.0", wide enough
// to show its whole caption.
class message_box_sink : public message_sink {
 public:
  void show(QWidget* owner, const std::string& text,
            message_icon icon) override;
  size_t ask(QWidget* owner, const std::string& text, message_icon icon,
             const std::vector<std::string>& buttons,
             size_t default_button) override;
};

#endif  // DIRGEN_APP_MESSAGE_SINK_H_

#include "app/description_window.h"

#include <QHBoxLayout>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/settings_controls.h"
#include "platform/file_dialogs.h"

namespace {

// The text area shows lines by LF; CR LF and a lone CR both end a line.
std::string with_lf_line_ends(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
    } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
      out += '\n';
    }
  }
  return out;
}

}  // namespace

description_window::description_window(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
  text_ = new QPlainTextEdit;
  text_->setReadOnly(true);
  text_->setFocusPolicy(Qt::ClickFocus);  // Return goes to "OK" at first
  text_->setFrameShape(QFrame::NoFrame);
  QPalette palette = text_->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  text_->setPalette(palette);
  ok_ = new QPushButton("OK");
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_, 1);
  layout->addLayout(buttons);
  setFixedSize(477, 215);
  center_on_screen(this);
}

void description_window::set_description(const std::string& caption,
                                         const std::string& text) {
  setWindowTitle(to_qt(caption));
  text_->setPlainText(to_qt(with_lf_line_ends(text)));
}

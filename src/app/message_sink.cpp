#include "app/message_sink.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QString>
#include <cassert>

#include "app/main_window_rules.h"

namespace {

QString qt_text(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::Icon qt_icon(message_icon icon) {
  switch (icon) {
    case message_icon::warning:
      return QMessageBox::Warning;
    case message_icon::question:
      return QMessageBox::Question;
    case message_icon::none:
      break;
  }
  return QMessageBox::NoIcon;
}

// A message box sizes itself to its text, so a short message ("Build is
// complete") would cut the caption off in the title bar. A spacer as wide
// as the caption plus room for the title bar's buttons keeps it whole.
void make_room_for_caption(QMessageBox* box) {
  const int kTitleBarButtons = 160;  // close, maximise, menu and margins
  int width = QFontMetrics(box->font()).horizontalAdvance(box->windowTitle()) +
              kTitleBarButtons;
  auto* grid = qobject_cast<QGridLayout*>(box->layout());
  if (grid == nullptr) return;
  grid->addItem(
      new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
      grid->rowCount(), 0, 1, grid->columnCount());
}

}  // namespace

void message_box_sink::show(QWidget* owner, const std::string& text,
                            message_icon icon) {
  ask(owner, text, icon, {"OK"}, 0);
}

size_t message_box_sink::ask(QWidget* owner, const std::string& text,
                             message_icon icon,
                             const std::vector<std::string>& buttons,
                             size_t default_button) {
  assert(default_button < buttons.size());
  QMessageBox box(qt_icon(icon), QString::fromUtf8(kDirgenCaption),
                  qt_text(text), QMessageBox::NoButton, owner);
  std::vector<QPushButton*> pressed;
  for (const std::string& caption : buttons)
    pressed.push_back(box.addButton(qt_text(caption), QMessageBox::ActionRole));
  box.setDefaultButton(pressed[default_button]);
  box.setEscapeButton(pressed.back());
  make_room_for_caption(&box);
  box.exec();
  for (size_t i = 0; i < pressed.size(); ++i)
    if (box.clickedButton() == pressed[i]) return i;
  return pressed.size() - 1;
}

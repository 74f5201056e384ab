#include "app/message_sink.h"

#include <QMessageBox>
#include <QString>

#include "app/form1_rules.h"

void message_box_sink::show(QWidget* owner, const std::string& text,
                            message_icon icon) {
  QMessageBox box(
      icon == message_icon::warning ? QMessageBox::Warning
                                    : QMessageBox::NoIcon,
      QString::fromUtf8(kDirgenCaption),
      QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
      QMessageBox::Ok, owner);
  box.exec();
}

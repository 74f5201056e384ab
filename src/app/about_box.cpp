#include "app/about_box.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/main_window_rules.h"
#include "app/settings_controls.h"
#include "platform/file_dialogs.h"

namespace {

QLabel* icon_label(const QIcon& icon) {
  const int kIconSize = 64;
  auto* label = new QLabel;
  QIcon shown = icon.isNull()
                    ? QApplication::style()->standardIcon(QStyle::SP_DirIcon)
                    : icon;
  label->setPixmap(shown.pixmap(kIconSize, kIconSize));
  label->setAlignment(Qt::AlignTop);
  return label;
}

}  // namespace

about_box::about_box(const QIcon& icon, QWidget* parent) : QDialog(parent) {
  setWindowTitle("About");
  product_ = new QLabel(QString::fromUtf8(kDirgenCaption));
  version_ = new QLabel(QStringLiteral("Version ") +
                        QString::fromUtf8(kDirgenVersion));
  copyright_ =
      new QLabel("Copyright (c) 2026 The Dirgen developers. MIT licence.");
  comments_ =
      new QLabel("Makes listings of folders and archives from templates.");
  comments_->setWordWrap(true);

  auto* panel = new QFrame;
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  auto* labels = new QVBoxLayout;
  for (QLabel* l : {product_, version_, copyright_, comments_})
    labels->addWidget(l);
  labels->addStretch(1);
  auto* inside = new QHBoxLayout(panel);
  inside->addWidget(icon_label(icon));
  inside->addLayout(labels, 1);

  auto* ok = new QPushButton("OK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panel, 1);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  adjustSize();
  center_on_screen(this);
}

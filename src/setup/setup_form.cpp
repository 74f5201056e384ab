#include "setup/setup_form.h"

#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaObject>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>

#include "platform/file_dialogs.h"
#include "setup/setup_names.h"

namespace {

// Fixed layout, in pixels.
constexpr int kHeaderHeight = 60;
constexpr int kPanelTop = kHeaderHeight + 10;
constexpr int kPanelWidth = 535;
constexpr int kPanelHeight = 260;
constexpr int kWelcomeLastTop = 230;  // top of the welcome panel's last line
constexpr int kLineHeight = 20;
constexpr int kButtonStripHeight = 50;
constexpr int kButtonRight = 535;  // right edge of the rightmost button

QString qstr(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QFont plain_font() {
  QFont font;
  font.setFamilies({"DejaVu Sans", "Liberation Sans", "Arial", "sans-serif"});
  font.setPixelSize(13);
  return font;
}

// The wide display face of the title, welcome and completion lines.
QFont display_font(int pixels, bool bold) {
  QFont font;
  font.setFamilies({"Verdana", "DejaVu Sans", "sans-serif"});
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

// The real message boxes (caption "Dirgen 2.0", OK) and free-space query.
class qt_setup_services : public setup_services {
 public:
  explicit qt_setup_services(QWidget* owner) : owner_(owner) {}
  void show_message(const std::string& text, message_icon icon) override {
    QMessageBox box(icon == message_icon::error ? QMessageBox::Critical
                                                : QMessageBox::Warning,
                    qstr(kProductName), QString::fromStdString(text),
                    QMessageBox::Ok, owner_);
    box.exec();
  }
  bool free_space(const std::string& folder, uint64_t* bytes) override {
    return statvfs_free_space(folder, bytes);
  }
  bool start_program(const std::string& program,
                     const std::string& folder) override {
    return QProcess::startDetached(QString::fromStdString(program), {},
                                   QString::fromStdString(folder));
  }

 private:
  QWidget* owner_;
};

QWidget* make_panel(QWidget* parent, const char* name) {
  auto* panel = new QWidget(parent);
  panel->setObjectName(name);
  panel->setGeometry(10, kPanelTop, kPanelWidth, kPanelHeight);
  return panel;
}

}  // namespace

setup_form::setup_form(const std::string& source_folder,
                       const std::string& current_folder,
                       setup_services* services, QWidget* parent)
    : QWidget(parent) {
  if (services == nullptr) {
    own_services_ = std::make_unique<qt_setup_services>(this);
    services = own_services_.get();
  }
  services_ = services;
  setObjectName("setup_form");
  setWindowTitle(qstr(kProductName));
  setFont(plain_font());
  wizard_ =
      std::make_unique<setup_wizard>(source_folder, current_folder, services);
  wizard_->on_install_start = [this] { on_install_start(); };
  wizard_->on_progress = [this](int p) { on_progress(p); };
  build_header();
  build_welcome_panel();
  build_license_panel();
  build_destination_panel();
  build_progress_panel();
  build_buttons();
  setFixedSize(kButtonRight + 21, kHeaderHeight + kWelcomeLastTop +
                                      kLineHeight + kButtonStripHeight + 45);
  center_on_screen(this);
  refresh();
}

setup_form::~setup_form() = default;

QLabel* setup_form::add_label(QWidget* panel, const QString& text, int x, int y,
                              int w, int h) {
  auto* label = new QLabel(text, panel);
  label->setGeometry(x, y, w, h);
  return label;
}

void setup_form::build_header() {
  auto* header = new QFrame(this);
  header->setGeometry(0, 0, kButtonRight + 21, kHeaderHeight);
  header->setAutoFillBackground(true);
  header->setBackgroundRole(QPalette::Base);
  header->setFrameShape(QFrame::StyledPanel);
  auto* picture = add_label(header, "", 10, 9, 40, 42);
  picture->setPixmap(QPixmap(QString::fromStdString(
      wizard_->source_folder() + "/" + std::string(kIconFile))));
  QLabel* title = add_label(header, "Kovix " + qstr(kProductName) + " ", 62, 8,
                            kButtonRight - 50, 44);
  title->setObjectName("title_label");
  title->setFont(display_font(30, true));
}

void setup_form::build_welcome_panel() {
  welcome_panel_ = make_panel(this, "welcome_panel");
  QLabel* welcome =
      add_label(welcome_panel_, "Welcome to " + qstr(kProductName) + " setup.",
                10, 20, kPanelWidth - 20, 36);
  welcome->setObjectName("welcome_label");
  welcome->setFont(display_font(23, true));
  add_label(welcome_panel_,
            "Click Cancel to quit Setup. Click Next to continue the Setup "
            "Program. ",
            10, kWelcomeLastTop, kPanelWidth - 20, kLineHeight);
}

void setup_form::build_license_panel() {
  license_panel_ = make_panel(this, "license_panel");
  add_label(license_panel_, "Please read the following License Agreement: ", 10,
            0, kPanelWidth - 20, kLineHeight);
  license_box_ = new QPlainTextEdit(license_panel_);
  license_box_->setObjectName("license_box");
  license_box_->setGeometry(10, 24, kPanelWidth - 20, 198);
  license_box_->setReadOnly(true);
  license_box_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  license_box_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  add_label(license_panel_,
            "Do you accept the terms of the License Agreement? ", 10,
            kWelcomeLastTop, kPanelWidth - 20, kLineHeight);
}

void setup_form::build_destination_panel() {
  destination_panel_ = make_panel(this, "destination_panel");
  add_label(destination_panel_, "Select a destination directory: ", 10, 20,
            kPanelWidth - 20, kLineHeight);
  destination_edit_ = new QLineEdit(destination_panel_);
  destination_edit_->setObjectName("destination_edit");
  destination_edit_->setGeometry(10, 44, 400, 24);
  connect(destination_edit_, &QLineEdit::textEdited, this,
          [this](const QString& text) {
            wizard_->set_edit_text(text.toStdString());
          });
  auto* select = new QPushButton("Select ...", destination_panel_);
  select->setObjectName("select_button");
  select->setGeometry(420, 43, 100, 26);
  connect(select, &QPushButton::clicked, this, [this] { on_select(); });
  required_label_ =
      add_label(destination_panel_, "", 10, 84, kPanelWidth - 20, kLineHeight);
  required_label_->setObjectName("required_space_label");
  hint_label_ =
      add_label(destination_panel_, "", 10, 108, kPanelWidth - 20, 64);
  hint_label_->setObjectName("hint_label");
  hint_label_->setWordWrap(true);
  hint_label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  notice_label_ =
      add_label(destination_panel_, "", 10, 176, kPanelWidth - 20, 60);
  notice_label_->setObjectName("notice_label");
  QFont bold = plain_font();
  bold.setBold(true);
  notice_label_->setFont(bold);
  notice_label_->setWordWrap(true);
  notice_label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void setup_form::build_progress_panel() {
  progress_panel_ = make_panel(this, "progress_panel");
  add_label(progress_panel_, "Setup progress indicator", 10, 20,
            kPanelWidth - 20, kLineHeight);
  progress_bar_ = new QProgressBar(progress_panel_);
  progress_bar_->setObjectName("progress_bar");
  progress_bar_->setGeometry(10, 44, 440, 22);
  progress_bar_->setRange(0, 100);
  progress_bar_->setValue(0);
  progress_bar_->setTextVisible(false);
  percent_label_ = add_label(progress_panel_, "0", 458, 44, 40, 22);
  percent_label_->setObjectName("percent_label");
  percent_label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  add_label(progress_panel_, "%", 500, 44, 20, 22);
  completion_label_ =
      add_label(progress_panel_, qstr(kProductName) + " setup is complete.", 10,
                100, kPanelWidth - 20, 40);
  completion_label_->setObjectName("completion_label");
  completion_label_->setFont(display_font(20, false));
  completion_label_->hide();
  details_label_ =
      add_label(progress_panel_, "", 10, 144, kPanelWidth - 20, 80);
  details_label_->setObjectName("details_label");
  details_label_->setWordWrap(true);
  details_label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  details_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  start_button_ = new QPushButton("Start Dirgen", progress_panel_);
  start_button_->setObjectName("start_button");
  start_button_->setGeometry(10, 228, 135, 26);
  start_button_->hide();
  connect(start_button_, &QPushButton::clicked, this, [this] {
    if (services_->start_program(wizard_->installed_program(),
                                 wizard_->result().folder)) {
      wizard_->close();
      refresh();
    }
  });
}

void setup_form::build_buttons() {
  int top = kHeaderHeight + kWelcomeLastTop + kLineHeight + 25;
  auto* strip = new QFrame(this);
  strip->setGeometry(0, top, kButtonRight + 21, kButtonStripHeight);
  strip->setFrameShape(QFrame::NoFrame);
  auto* line = new QFrame(strip);
  line->setGeometry(10, 0, kButtonRight - 10, 2);
  line->setFrameShape(QFrame::HLine);
  back_button_ = new QPushButton("< Back", strip);
  back_button_->setObjectName("back_button");
  back_button_->setGeometry(200, 12, 85, 26);
  middle_button_ = new QPushButton("Next >", strip);
  middle_button_->setObjectName("middle_button");
  middle_button_->setGeometry(290, 12, 135, 26);
  right_button_ = new QPushButton("Cancel", strip);
  right_button_->setObjectName("right_button");
  right_button_->setGeometry(kButtonRight - 95, 12, 95, 26);
  connect(back_button_, &QPushButton::clicked, this, [this] { on_back(); });
  connect(middle_button_, &QPushButton::clicked, this, [this] { on_middle(); });
  connect(right_button_, &QPushButton::clicked, this, [this] {
    wizard_->close();
    refresh();
  });
}

void setup_form::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (wizard_->closed())
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void setup_form::keyPressEvent(QKeyEvent* event) {
  QPushButton* target = nullptr;
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    target = middle_button_->isVisible() ? middle_button_ : right_button_;
  } else if (event->key() == Qt::Key_Escape) {
    target = right_button_;
  }
  if (target == nullptr || !target->isVisible()) {
    QWidget::keyPressEvent(event);
    return;
  }
  target->click();
}

void setup_form::on_middle() {
  // A page change can show a message box: keep the box's text in step.
  wizard_->set_edit_text(destination_edit_->text().toStdString());
  wizard_->next();
  refresh();
}

void setup_form::on_back() {
  wizard_->back();
  refresh();
}

void setup_form::on_select() {
  folder_dialog dialog;
  dialog.owner = this;
  dialog.title =
      variant(std::string(kProductName) + "\r\nSelect an installation folder");
  std::string start = destination_edit_->text().toStdString();
  if (start.empty()) start = wizard_->destination();
  dialog.initial_folder = variant(std::string_view(start));
  if (!dialog.browse()) return;
  destination_edit_->setText(QString::fromStdString(dialog.result.str()));
  wizard_->set_edit_text(dialog.result.str());
}

void setup_form::on_install_start() {
  back_button_->hide();
  middle_button_->hide();
  right_button_->hide();
  welcome_panel_->hide();
  license_panel_->hide();
  destination_panel_->hide();
  progress_panel_->show();
  repaint();
}

void setup_form::on_progress(int percent) {
  progress_bar_->setValue(std::min(percent, 100));
  percent_label_->setText(QString::number(percent));
  repaint();
}

void setup_form::refresh() {
  if (wizard_->closed()) {
    if (isVisible()) close();
    return;
  }
  int page = wizard_->page();
  welcome_panel_->setVisible(page == 0);
  license_panel_->setVisible(page == 1);
  destination_panel_->setVisible(page == 2);
  progress_panel_->setVisible(page == 3);
  license_box_->setPlainText(QString::fromStdString(wizard_->license_text()));
  if (destination_edit_->text().toStdString() != wizard_->edit_text())
    destination_edit_->setText(QString::fromStdString(wizard_->edit_text()));
  required_label_->setText(QString::fromStdString(wizard_->required_space()));
  notice_label_->setText(QString::fromStdString(wizard_->notice()));
  if (page == 2)
    hint_label_->setText(QString::fromStdString(wizard_->destination_hint()));
  if (page == 3) {
    details_label_->setText(
        QString::fromStdString(wizard_->completion_details()));
  }
  details_label_->setVisible(page == 3);
  start_button_->setVisible(page == 3);
  static const char* const kRight[] = {"Cancel", "Don't Accept", "Cancel",
                                       "Finish"};
  static const char* const kMiddle[] = {"Next >", "Accept",
                                        "Start installation", ""};
  right_button_->setText(kRight[page]);
  right_button_->setVisible(true);
  middle_button_->setText(kMiddle[page]);
  middle_button_->setVisible(page < 3);
  back_button_->setVisible(page == 1 || page == 2);
  completion_label_->setVisible(page == 3);
  if (page == 3) right_button_->setFocus();
}

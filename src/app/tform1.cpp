// TForm1: creation, menus, layout and the build's progress. The commands
// are in tform1_commands.cpp.
#include "app/tform1.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/form1_rules.h"
#include "project/data_folder.h"

TForm1::TForm1(const std::string& working_folder, QWidget* parent)
    : QMainWindow(parent),
      working_folder_(working_folder),
      data_folder_(working_folder + "kvdata/"),
      help_path_(manual_at_start(working_folder)) {
  formatter_.load_tables(kvval(std::string_view(data_folder_)));
  tabs_ = new QTabWidget;
  build_form1_pages(tabs_, formatter_.style_names(), &controls_, &commands_);
  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(tabs_, 1);
  layout->addWidget(build_bottom_strip());
  setCentralWidget(central);
  build_menus();
  connect_commands();

  for (kvval* title : {&file_dialog_.title, &folder_dialog_.title})
    *title = kvval(kDirgenCaption);
  file_dialog_.owner = this;
  folder_dialog_.owner = this;
  file_dialog_.ask_overwrite();
  poll_timer_.setInterval(100);
  connect(&poll_timer_, &QTimer::timeout, this, &TForm1::poll_build);

  new_settings();
  resize(sizeHint());
  center_on_screen(this);
}

TForm1::~TForm1() = default;

void TForm1::set_windows(TForm2* description, TAboutBox* about) {
  description_ = description;
  about_ = about;
}

void TForm1::set_message_sink(message_sink* sink) {
  sink_ = sink ? sink : &default_sink_;
}

void TForm1::set_desktop(desktop_services* desktop) {
  desktop_ = desktop ? desktop : &default_desktop_;
}

void TForm1::build_menus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->addAction("&Make Listing !", QKeySequence("Ctrl+M"), this,
                  &TForm1::make_listing);
  file->addSeparator();
  file->addAction("&New Settings", QKeySequence("Ctrl+N"), this,
                  &TForm1::new_settings);
  file->addAction("&Open Settings", QKeySequence("Ctrl+O"), this,
                  &TForm1::open_settings);
  file->addAction("&Save Settings", QKeySequence("Ctrl+S"), this,
                  &TForm1::save_settings);
  file->addAction("Save Settings &As...", this, &TForm1::save_settings_as);
  file->addSeparator();
  file->addAction("E&xit", this, &QWidget::close);

  QMenu* view = menuBar()->addMenu("&View");
  view_output_action_ = view->addAction("&View generated output file", this,
                                        &TForm1::view_output);

  QMenu* go = menuBar()->addMenu("&Go");
  const char* tabs[] = {"&Source and Output Tab", "File &Filter Tab",
                        "File Order and &Recursion Tab",
                        "Output Format &Options Tab"};
  for (int i = 0; i < 4; ++i)
    go->addAction(tabs[i], this, [this, i] { select_tab(i); });

  QMenu* help = menuBar()->addMenu("&Help");
  help->addAction("&Contents", QKeySequence(Qt::Key_F1), this,
                  &TForm1::show_help);
  help->addSeparator();
  help->addAction("&About", this, &TForm1::show_about);
}

// "Make Listing !" with the progress strip to its left: a sunken panel,
// hidden except during a build, holding a bar in the highlight colour.
QWidget* TForm1::build_bottom_strip() {
  auto* bottom = new QWidget;
  auto* row = new QHBoxLayout(bottom);
  row->setContentsMargins(0, 0, 0, 0);
  strip_ = new QFrame;
  strip_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  strip_->setFixedHeight(12);
  bar_ = new QWidget(strip_);
  bar_->setAutoFillBackground(true);
  QPalette palette = bar_->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Highlight));
  bar_->setPalette(palette);
  QSizePolicy keep = strip_->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  strip_->setSizePolicy(keep);
  strip_->hide();
  make_button_ = new QPushButton("Make Listing !");
  row->addWidget(strip_, 1);
  row->addWidget(make_button_);
  return bottom;
}

void TForm1::connect_commands() {
  connect(make_button_, &QPushButton::clicked, this, &TForm1::make_listing);
  connect(commands_.path_select, &QPushButton::clicked, this,
          &TForm1::path_select);
  connect(commands_.edit_template, &QPushButton::clicked, this,
          &TForm1::edit_template);
  connect(commands_.template_description, &QLabel::linkActivated, this,
          &TForm1::template_description);
  connect(commands_.output_save_as, &QPushButton::clicked, this,
          &TForm1::output_save_as);
  connect(commands_.view_output, &QLabel::linkActivated, this,
          &TForm1::view_output);
  connect(commands_.see_example, &QPushButton::clicked, this,
          &TForm1::see_example);
  connect(commands_.put_local_path, &QPushButton::clicked, this,
          &TForm1::put_local_path);
}

void TForm1::select_tab(int index) { tabs_->setCurrentIndex(index); }

void TForm1::draw_progress(int64_t tick) {
  QRect inside = strip_->contentsRect();
  bar_span span = progress_bar_span(tick, inside.width());
  bar_->setGeometry(inside.left() + span.left, inside.top(), span.width,
                    inside.height());
  strip_->update();
}

void TForm1::set_busy(bool busy) {
  tabs_->setEnabled(!busy);
  make_button_->setEnabled(!busy);
  menuBar()->setEnabled(!busy);
  strip_->setVisible(busy);
}

void TForm1::set_view_output_enabled(bool enabled) {
  set_link_enabled(commands_.view_output, enabled);
  view_output_action_->setEnabled(enabled);
}

void TForm1::set_caption(int32_t name_offset) {
  setWindowTitle(to_qt(window_caption(settings_path_, name_offset)));
}

void TForm1::warn(const std::string& text) {
  sink_->show(this, text, message_icon::warning);
}

// A build changes nothing the window could save, but the worker reads the
// formatter: the window stays open until the build has ended.
void TForm1::closeEvent(QCloseEvent* event) {
  if (building()) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

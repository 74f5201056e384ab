// main_window: creation, menus, layout, change tracking, drops and the build's
// progress. The commands are in main_window_commands.cpp.
#include "app/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimeEdit>
#include <QUrl>
#include <QVBoxLayout>

#include "app/main_window_rules.h"
#include "project/data_folder.h"

main_window::main_window(const std::string& working_folder,
                         const std::string& memory_file, QWidget* parent)
    : QMainWindow(parent),
      working_folder_(working_folder),
      data_folder_(working_folder + "kvdata/"),
      help_path_(manual_at_start(working_folder)),
      memory_(memory_file) {
  formatter_.load_tables(variant(std::string_view(data_folder_)));
  tabs_ = new QTabWidget;
  build_main_window_pages(tabs_, formatter_.style_names(), &controls_,
                          &commands_);
  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(tabs_, 1);
  layout->addWidget(build_bottom_strip());
  setCentralWidget(central);
  status_ = new QLabel;
  statusBar()->addWidget(status_, 1);
  build_menus();
  connect_commands();
  watch_for_changes();
  setAcceptDrops(true);

  file_dialog_.owner = this;
  folder_dialog_.owner = this;
  file_dialog_.ask_overwrite();
  poll_timer_.setInterval(100);
  connect(&poll_timer_, &QTimer::timeout, this, &main_window::poll_build);

  new_settings();
  if (!restoreGeometry(memory_.geometry())) {
    resize(first_size());
    center_on_screen(this);
  }
}

// The size the window asks for, within the screen's free area less room
// for a window manager's frame; the tabs scroll when it is smaller.
QSize main_window::first_size() const {
  const int kFrameRoom = 64;
  QSize wanted = sizeHint();
  if (screen() == nullptr) return wanted;
  QSize room =
      screen()->availableGeometry().size() - QSize(kFrameRoom, kFrameRoom);
  return wanted.boundedTo(room).expandedTo(minimumSizeHint());
}

main_window::~main_window() = default;

void main_window::set_windows(description_window* description,
                              about_box* about) {
  description_ = description;
  about_ = about;
}

void main_window::set_message_sink(message_sink* sink) {
  sink_ = sink ? sink : &default_sink_;
}

void main_window::set_desktop(desktop_services* desktop) {
  desktop_ = desktop ? desktop : &default_desktop_;
}

void main_window::build_menus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->addAction("&Make Listing !", QKeySequence("Ctrl+M"), this,
                  &main_window::make_listing);
  file->addSeparator();
  file->addAction("&New Settings", QKeySequence("Ctrl+N"), this,
                  &main_window::new_settings);
  file->addAction("&Open Settings", QKeySequence("Ctrl+O"), this,
                  &main_window::open_settings);
  recent_menu_ = file->addMenu("Recent &Files");
  file->addAction("&Save Settings", QKeySequence("Ctrl+S"), this,
                  &main_window::save_settings);
  file->addAction("Save Settings &As...", this, &main_window::save_settings_as);
  file->addSeparator();
  file->addAction("E&xit", QKeySequence::Quit, this, &QWidget::close);
  fill_recent_menu();

  QMenu* view = menuBar()->addMenu("&View");
  view_output_action_ = view->addAction("&View generated output file", this,
                                        &main_window::view_output);

  QMenu* go = menuBar()->addMenu("&Go");
  const char* tabs[] = {"&Source and Output Tab", "File &Filter Tab",
                        "File Order and &Recursion Tab",
                        "Output Format &Options Tab"};
  for (int i = 0; i < 4; ++i)
    go->addAction(tabs[i], this, [this, i] { select_tab(i); });

  QMenu* help = menuBar()->addMenu("&Help");
  help->addAction("&Contents", QKeySequence(Qt::Key_F1), this,
                  &main_window::show_help);
  help->addSeparator();
  help->addAction("&About", this, &main_window::show_about);
}

// "Make Listing !" with the progress to its left: a sunken strip holding a
// bar in the highlight colour, the counts so far and Cancel, all hidden
// except during a build.
QWidget* main_window::build_bottom_strip() {
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
  counts_ = new QLabel;
  counts_->setAccessibleName("Progress");
  cancel_button_ = new QPushButton("Cancel");
  cancel_button_->setToolTip(
      "Stop the listing at the next entry; the "
      "listing made before stays as it was.");
  for (QWidget* w :
       {static_cast<QWidget*>(strip_), static_cast<QWidget*>(counts_),
        static_cast<QWidget*>(cancel_button_)}) {
    QSizePolicy keep = w->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    w->setSizePolicy(keep);
    w->hide();
  }
  make_button_ = new QPushButton("Make Listing !");
  make_button_->setToolTip("Check the settings and make the listing (Ctrl+M).");
  row->addWidget(strip_, 1);
  row->addWidget(counts_);
  row->addWidget(cancel_button_);
  row->addWidget(make_button_);
  return bottom;
}

void main_window::connect_commands() {
  connect(make_button_, &QPushButton::clicked, this,
          &main_window::make_listing);
  connect(cancel_button_, &QPushButton::clicked, this,
          &main_window::cancel_build);
  connect(commands_.path_select, &QPushButton::clicked, this,
          &main_window::path_select);
  connect(commands_.edit_template, &QPushButton::clicked, this,
          &main_window::edit_template);
  connect(commands_.template_description, &QLabel::linkActivated, this,
          &main_window::template_description);
  connect(commands_.output_save_as, &QPushButton::clicked, this,
          &main_window::output_save_as);
  connect(commands_.view_output, &QLabel::linkActivated, this,
          &main_window::view_output);
  connect(commands_.see_example, &QPushButton::clicked, this,
          &main_window::see_example);
  connect(commands_.put_local_path, &QPushButton::clicked, this,
          &main_window::put_local_path);
}

// Every control that shows a field reports its changes; the title's mark
// then says whether the record differs from the one last opened or saved.
void main_window::watch_for_changes() {
  const main_window_controls& c = controls_;
  auto changed = [this] { update_modified(); };
  for (QLineEdit* edit : {c.source_edit, c.output_edit, c.file_include,
                          c.file_skip, c.folder_include, c.folder_skip,
                          c.size_start, c.size_end, c.date_format})
    connect(edit, &QLineEdit::textChanged, this, changed);
  connect(c.image_dir, &QComboBox::editTextChanged, this, changed);
  for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
           c.archive_radio, c.time_filter, c.size_filter, c.descending,
           c.recursive, c.single_file, c.show_folders, c.show_summary,
           c.gmt_dates, c.html_escape, c.bytes, c.kilobytes, c.megabytes,
           c.human_sizes, c.human_binary_sizes})
    connect(button, &QAbstractButton::toggled, this, changed);
  for (QComboBox* list : {c.template_list, c.order_by})
    connect(list, &QComboBox::currentIndexChanged, this, changed);
  for (QDateEdit* date : {c.start_date, c.end_date})
    connect(date, &QDateEdit::dateChanged, this, changed);
  for (QTimeEdit* time : {c.start_time, c.end_time})
    connect(time, &QTimeEdit::timeChanged, this, changed);
}

void main_window::update_modified() {
  settings_record shown;
  controls_to_settings(controls_, formatter_, &shown);
  setWindowModified(!same_settings(shown, saved_));
}

void main_window::mark_saved() {
  controls_to_settings(controls_, formatter_, &saved_);
  setWindowModified(false);
}

void main_window::select_tab(int index) { tabs_->setCurrentIndex(index); }

void main_window::draw_progress(int64_t tick) {
  QRect inside = strip_->contentsRect();
  bar_span span = progress_bar_span(tick, inside.width());
  bar_->setGeometry(inside.left() + span.left, inside.top(), span.width,
                    inside.height());
  strip_->update();
}

void main_window::set_busy(bool busy) {
  tabs_->setEnabled(!busy);
  make_button_->setEnabled(!busy);
  menuBar()->setEnabled(!busy);
  strip_->setVisible(busy);
  counts_->setVisible(busy);
  counts_->clear();
  cancel_button_->setVisible(busy);
  cancel_button_->setEnabled(busy);
  if (busy) cancel_button_->setFocus();
}

void main_window::set_view_output_enabled(bool enabled) {
  set_link_enabled(commands_.view_output, enabled);
  view_output_action_->setEnabled(enabled);
}

void main_window::show_status(const std::string& text) {
  status_->setText(to_qt(text));
}

// "[*]" is where Qt shows "*" while windowModified is set; a "[*]" of the
// file's own name is doubled, which Qt shows as written.
void main_window::set_caption(int32_t name_offset) {
  std::string caption = window_caption(settings_path_, name_offset);
  size_t dash = caption.rfind(" - ");
  QString name = to_qt(caption.substr(0, dash));
  name.replace("[*]", "[*][*]");
  setWindowTitle(name + "[*]" + to_qt(caption.substr(dash)));
}

void main_window::warn(const std::string& text) {
  sink_->show(this, text, message_icon::warning);
}

// Closing asks about unsaved changes; during a build it first asks whether
// to stop the build, and the window then closes when the build has ended
// (the worker reads the formatter, which the window owns).
void main_window::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (building()) {
    size_t answer = sink_->ask(
        this, "A listing is being made. Cancel it and close the window?",
        message_icon::question, {"Cancel the listing", "Keep making it"}, 1);
    if (answer == 0) {
      close_after_build_ = true;
      cancel_build();
    }
    return;
  }
  if (!settings_may_be_replaced()) return;
  memory_.set_geometry(saveGeometry());
  event->accept();
}

namespace {

// The one local path a drag carries, or "" when it carries anything else.
std::string dropped_path(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1)
    return "";
  QUrl url = data->urls().front();
  if (!url.isLocalFile()) return "";
  QByteArray bytes = QFile::encodeName(url.toLocalFile());
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace

void main_window::dragEnterEvent(QDragEnterEvent* event) {
  if (!building() && !dropped_path(event->mimeData()).empty())
    event->acceptProposedAction();
}

void main_window::dropEvent(QDropEvent* event) {
  std::string path = dropped_path(event->mimeData());
  if (building() || path.empty()) return;
  event->acceptProposedAction();
  take_dropped(path);
}

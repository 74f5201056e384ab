#include "app/main_window_pages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

// A scroll area that asks for the whole size of its panel (a plain one caps
// its wish at a few dozen lines), while it can still shrink to fit a small
// screen or a large scale factor.
class panel_scroll_area : public QScrollArea {
 public:
  QSize sizeHint() const override {
    QSize bar(verticalScrollBar()->sizeHint().width(), 0);
    return widget() ? widget()->sizeHint() + bar : QScrollArea::sizeHint();
  }
};

// A panel: its group boxes stacked from the top, in a scroll area.
QWidget* new_panel(QTabWidget* tabs, const char* caption,
                   QVBoxLayout** layout) {
  auto* panel = new QWidget;
  *layout = new QVBoxLayout(panel);
  auto* scroll = new panel_scroll_area;
  scroll->setWidget(panel);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  tabs->addTab(scroll, QString::fromUtf8(caption));
  return panel;
}

// The name a screen reader gives an input, and the tooltip that says what
// it does.
template <typename W>
W* described(W* widget, const char* name, const char* tip) {
  if (name != nullptr) widget->setAccessibleName(QString::fromUtf8(name));
  widget->setToolTip(QString::fromUtf8(tip));
  return widget;
}

QGroupBox* add_group(QVBoxLayout* panel, const char* caption) {
  auto* box = new QGroupBox(QString::fromUtf8(caption));
  panel->addWidget(box);
  return box;
}

const char kCaptionProperty[] = "dirgen_link_caption";

QLabel* new_link(const char* caption) {
  auto* label = new QLabel;
  label->setProperty(kCaptionProperty, QString::fromUtf8(caption));
  label->setTextFormat(Qt::RichText);
  label->setTextInteractionFlags(Qt::LinksAccessibleByMouse |
                                 Qt::LinksAccessibleByKeyboard);
  set_link_enabled(label, true);
  return label;
}

// Two radios of one choice, checked_second telling which is on at first.
void pair_radios(QObject* owner, QRadioButton* a, QRadioButton* b,
                 bool checked_second) {
  auto* group = new QButtonGroup(owner);
  group->addButton(a);
  group->addButton(b);
  (checked_second ? b : a)->setChecked(true);
}

// A row "Include:"/"Skip:" label (with its mnemonic) and edit box in a grid.
QLineEdit* add_labelled_edit(QGridLayout* grid, int row, const char* label,
                             const char* name, const char* tip) {
  auto* edit = described(new QLineEdit, name, tip);
  auto* caption = new QLabel(QString::fromUtf8(label));
  caption->setBuddy(edit);
  grid->addWidget(caption, row, 0);
  grid->addWidget(edit, row, 1);
  return edit;
}

void build_source_page(QTabWidget* tabs,
                       const std::vector<std::string>& style_names,
                       main_window_controls* c, main_window_commands* k) {
  QVBoxLayout* panel;
  new_panel(tabs, "Source and Output", &panel);

  QGroupBox* source = add_group(
      panel, "Source.  Select directory or archive file to make listing from.");
  auto* sl = new QGridLayout(source);
  c->directory_radio = described(new QRadioButton("&Directory listing"),
                                 nullptr, "List a folder and what it holds.");
  c->archive_radio =
      described(new QRadioButton("A&rchive file listing (tar, tar.gz, tgz, "
                                 "zip) "),
                nullptr, "List the entries of an archive file.");
  pair_radios(source, c->directory_radio, c->archive_radio, false);
  c->source_edit =
      described(new QLineEdit, "Source path",
                "The folder or archive to list. You can also drop a folder "
                "or an archive on the window.");
  k->path_select = described(new QPushButton("&Path select..."), nullptr,
                             "Choose the folder or the archive to list.");
  sl->addWidget(c->directory_radio, 0, 0);
  sl->addWidget(c->archive_radio, 0, 1);
  sl->addWidget(c->source_edit, 1, 0, 1, 2);
  sl->addWidget(k->path_select, 1, 2);
  sl->setColumnStretch(1, 1);

  QGroupBox* tmpl = add_group(
      panel, "Output template.  Make output file using selected template.");
  auto* tl = new QGridLayout(tmpl);
  c->template_list = described(new QComboBox, "Output template",
                               "The style the listing is made with.");
  for (const std::string& name : style_names)
    c->template_list->addItem(to_qt(name));
  k->edit_template =
      described(new QPushButton("&Edit template"), nullptr,
                "Open the chosen style's template file in its editor.");
  k->template_description = described(new_link("Template description"), nullptr,
                                      "Show what the chosen style makes.");
  tl->addWidget(c->template_list, 0, 0);
  tl->addWidget(k->edit_template, 0, 1);
  tl->addWidget(k->template_description, 1, 0);
  tl->setColumnStretch(0, 1);

  QGroupBox* output =
      add_group(panel, "Output file.  Save generated output file as...");
  auto* ol = new QGridLayout(output);
  c->output_edit = described(
      new QLineEdit, "Output file",
      "Where the listing is written. A name without a folder goes into the "
      "listed folder; with one file per subfolder, every subfolder gets a "
      "file of this name.");
  k->output_save_as = described(new QPushButton("Save &As..."), nullptr,
                                "Choose where the listing is written.");
  k->view_output = described(new_link("View generated output file"), nullptr,
                             "Open the listing the last build made.");
  set_link_enabled(k->view_output, false);
  ol->addWidget(c->output_edit, 0, 0);
  ol->addWidget(k->output_save_as, 0, 1);
  ol->addWidget(k->view_output, 1, 0);
  ol->setColumnStretch(0, 1);
  panel->addStretch(1);
}

// One "Start"/"End" row of the time filter: label, date and time pickers.
void add_time_row(QGridLayout* grid, int row, const char* caption,
                  const std::string& name, QLabel** label, QDateEdit** date,
                  QTimeEdit** time) {
  *label = new QLabel(QString::fromUtf8(caption));
  *date = described(new QDateEdit, (name + " date").c_str(),
                    "Day of this bound of the modification time (local).");
  (*date)->setCalendarPopup(true);
  (*date)->setDisplayFormat("yyyy-MM-dd");
  *time = described(new QTimeEdit, (name + " time").c_str(),
                    "Time of day of this bound (local).");
  (*time)->setDisplayFormat("HH:mm:ss");
  (*label)->setBuddy(*date);
  grid->addWidget(*label, row, 0);
  grid->addWidget(*date, row, 1);
  grid->addWidget(*time, row, 2);
}

void add_filter_groups(QVBoxLayout* panel, main_window_controls* c) {
  QGroupBox* files = add_group(
      panel,
      "Files filter.  Use wildcards.  Use semicolon to separate entries.");
  auto* fl = new QGridLayout(files);
  c->file_include =
      add_labelled_edit(fl, 0, "&Include:", "Files filter: Include",
                        "List only files whose names match one of these "
                        "patterns, e.g. *.html;*.txt");
  c->file_skip = add_labelled_edit(fl, 1, "S&kip:", "Files filter: Skip",
                                   "Leave out files whose names match one "
                                   "of these patterns, e.g. *.bak;~*");

  QGroupBox* folders = add_group(panel,
                                 "Directories filter.  Use wildcards.  Use "
                                 "semicolon to separate entries.");
  auto* dl = new QGridLayout(folders);
  c->folder_include = add_labelled_edit(
      dl, 0, "In&clude:", "Directories filter: Include",
      "Enter only folders whose names match one of these patterns.");
  c->folder_skip = add_labelled_edit(
      dl, 1, "Ski&p:", "Directories filter: Skip",
      "Leave out folders whose names match one of these patterns, e.g. "
      ".git;tmp");
}

void add_size_group(QVBoxLayout* panel, main_window_controls* c) {
  QGroupBox* size = add_group(panel, "File size filter. ");
  auto* zl = new QGridLayout(size);
  c->size_filter = described(
      new QCheckBox("Process only files with si&ze between:"), nullptr,
      "List only files whose size lies between the two numbers.");
  c->size_start = described(new QLineEdit("0"), "Smallest size in Kb",
                            "Smallest size listed, a whole number of Kb.");
  c->size_start_unit = new QLabel("Kb");
  c->size_and = new QLabel("&and");
  c->size_end = described(new QLineEdit("0"), "Largest size in Kb",
                          "Largest size listed, a whole number of Kb.");
  c->size_and->setBuddy(c->size_end);
  c->size_end_unit = new QLabel("Kb");
  zl->addWidget(c->size_filter, 0, 0, 1, 6);
  zl->addWidget(c->size_start, 1, 0);
  zl->addWidget(c->size_start_unit, 1, 1);
  zl->addWidget(c->size_and, 1, 2);
  zl->addWidget(c->size_end, 1, 3);
  zl->addWidget(c->size_end_unit, 1, 4);
  zl->setColumnStretch(5, 1);
}

void build_filter_page(QTabWidget* tabs, main_window_controls* c) {
  QVBoxLayout* panel;
  new_panel(tabs, "File Filter", &panel);
  add_filter_groups(panel, c);

  QGroupBox* time = add_group(panel, "File time filter.");
  auto* ml = new QGridLayout(time);
  c->time_filter =
      described(new QCheckBox("Process only files &modified between"), nullptr,
                "List only files last changed between Start and End.");
  ml->addWidget(c->time_filter, 0, 0, 1, 4);
  add_time_row(ml, 1, "S&tart", "Start", &c->start_label, &c->start_date,
               &c->start_time);
  add_time_row(ml, 2, "&End", "End", &c->end_label, &c->end_date, &c->end_time);
  ml->setColumnStretch(3, 1);

  add_size_group(panel, c);
  panel->addStretch(1);
}

void build_order_page(QTabWidget* tabs, main_window_controls* c) {
  QVBoxLayout* panel;
  new_panel(tabs, "File Order and Recursion", &panel);

  QGroupBox* order = add_group(
      panel,
      "File order options. Specify the order of links in the output file. ");
  auto* ol = new QGridLayout(order);
  c->order_by = described(new QComboBox, "Order by",
                          "What the entries of each folder are sorted by.");
  c->order_by->addItems({"Unsorted", "Name", "Extension", "Size", "Date"});
  c->ascending = described(new QRadioButton("A&scending"), nullptr,
                           "Smallest, first or earliest first.");
  c->descending = described(new QRadioButton("&Descending"), nullptr,
                            "Largest, last or latest first.");
  pair_radios(order, c->ascending, c->descending, false);
  auto* order_label = new QLabel("O&rder by:");
  order_label->setBuddy(c->order_by);
  ol->addWidget(order_label, 0, 0);
  ol->addWidget(c->order_by, 0, 1);
  ol->addWidget(c->ascending, 1, 1);
  ol->addWidget(c->descending, 2, 1);
  ol->setColumnStretch(2, 1);

  QGroupBox* recursion = add_group(
      panel,
      "Recursive options. This is useful to build tree like listings or to "
      "process all inner folders. ");
  auto* rl = new QVBoxLayout(recursion);
  c->recursive = described(new QCheckBox("Re&cursive directory processing"),
                           nullptr, "List the folders inside the source too.");
  c->single_file =
      described(new QRadioButton("All o&utput go to a single file"), nullptr,
                "One listing holds the whole tree.");
  c->per_folder = described(
      new QRadioButton("Each su&bfolder generates its own file"), nullptr,
      "Every folder gets a listing of its own, linked to the others.");
  pair_radios(recursion, c->single_file, c->per_folder, true);
  rl->addWidget(c->recursive);
  rl->addWidget(c->single_file);
  rl->addWidget(c->per_folder);
  panel->addStretch(1);
}

void add_format_groups(QVBoxLayout* panel, main_window_controls* c,
                       main_window_commands* k) {
  QGroupBox* options = add_group(
      panel,
      "Output Options.  Specify what things to include or to exclude from "
      "output.");
  auto* pl = new QVBoxLayout(options);
  c->show_folders =
      described(new QCheckBox("&Use folders [name or links] in the output"),
                nullptr, "List folders as well as files.");
  c->show_summary = described(new QCheckBox("Show summar&y "), nullptr,
                              "Add the counts and total size of the listing.");
  pl->addWidget(c->show_folders);
  pl->addWidget(c->show_summary);

  QGroupBox* date =
      add_group(panel, "Date Format.  Use \"strftime\" function format. ");
  auto* dl = new QGridLayout(date);
  c->date_format =
      described(new QLineEdit, "Date format",
                "How dates are written, in strftime form, e.g. %Y-%m-%d %H:%M");
  k->see_example = described(new QPushButton("See e&xample:"), nullptr,
                             "Show the current time written in this format.");
  c->date_example = new QLabel;
  c->date_example->setAccessibleName("Date example");
  c->gmt_dates = described(new QCheckBox("&Convert dates to GMT "), nullptr,
                           "Write dates in UTC instead of local time.");
  dl->addWidget(c->date_format, 0, 0);
  dl->addWidget(k->see_example, 0, 1);
  dl->addWidget(c->date_example, 0, 2);
  dl->addWidget(c->gmt_dates, 1, 0);
  dl->setColumnStretch(0, 1);
  dl->setColumnStretch(2, 1);

  QGroupBox* images = add_group(
      panel,
      "Images directory. This is needed to build a path to icon images. ");
  auto* il = new QHBoxLayout(images);
  c->image_dir = described(
      new QComboBox, "Images directory",
      "Folder or address of the icons the listing shows; \"embedded\" puts "
      "the icons inside the listing, so they show wherever it is saved.");
  c->image_dir->setEditable(true);
  c->image_dir->addItems({kEmbeddedIcons, "/images/public"});
  k->put_local_path =
      described(new QPushButton("Put &local path"), nullptr,
                "Use the icons installed with the program (a file:// "
                "address).");
  il->addWidget(c->image_dir, 1);
  il->addWidget(k->put_local_path);
}

void build_format_page(QTabWidget* tabs, main_window_controls* c,
                       main_window_commands* k) {
  QVBoxLayout* panel;
  new_panel(tabs, "Output Format Options", &panel);
  add_format_groups(panel, c, k);

  auto* row = new QHBoxLayout;
  panel->addLayout(row);
  auto* encode = new QGroupBox("Encode link URLs with: ");
  auto* el = new QVBoxLayout(encode);
  c->url_encode = described(new QRadioButton("URL &Encode"), nullptr,
                            "Write special characters of links as %XX.");
  c->html_escape = described(new QRadioButton("HTML Esca&pe"), nullptr,
                             "Write special characters of links as &xx;.");
  pair_radios(encode, c->url_encode, c->html_escape, false);
  el->addWidget(c->url_encode);
  el->addWidget(c->html_escape);

  auto* units = new QGroupBox("Show file size in: ");
  auto* ul = new QVBoxLayout(units);
  c->bytes =
      described(new QRadioButton("&Bytes"), nullptr, "Show sizes in bytes.");
  c->kilobytes =
      described(new QRadioButton("&Kb"), nullptr, "Show sizes in kilobytes.");
  c->megabytes =
      described(new QRadioButton("&Mb"), nullptr, "Show sizes in megabytes.");
  c->bytes->setChecked(true);  // one exclusive set: they share the box
  ul->addWidget(c->bytes);
  ul->addWidget(c->kilobytes);
  ul->addWidget(c->megabytes);
  c->human_sizes = described(new QRadioButton("Readable (4.7 MB)"), nullptr,
                             "Show each size in the unit it reaches, in "
                             "powers of 1000: 512 bytes, 4.7 MB.");
  c->human_binary_sizes = described(
      new QRadioButton("Readable, binary (4.5 MiB)"), nullptr,
      "Show each size in the unit it reaches, in powers of 1024: 512 bytes, "
      "4.5 MiB.");
  ul->addWidget(c->human_sizes);
  ul->addWidget(c->human_binary_sizes);
  row->addWidget(encode, 1);
  row->addWidget(units, 1);
  panel->addStretch(1);
}

}  // namespace

void build_main_window_pages(QTabWidget* tabs,
                             const std::vector<std::string>& style_names,
                             main_window_controls* controls,
                             main_window_commands* commands) {
  build_source_page(tabs, style_names, controls, commands);
  build_filter_page(tabs, controls);
  build_order_page(tabs, controls);
  build_format_page(tabs, controls, commands);
  apply_dependent_states(*controls);
  connect_dependent_controls(*controls);
}

void set_link_enabled(QLabel* link, bool enabled) {
  QString caption = link->property(kCaptionProperty).toString().toHtmlEscaped();
  link->setText(enabled ? QStringLiteral("<a href=\"#\">%1</a>").arg(caption)
                        : caption);
  link->setEnabled(enabled);
}

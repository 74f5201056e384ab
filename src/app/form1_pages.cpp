#include "app/form1_pages.h"

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
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

// A panel: its group boxes stacked from the top.
QWidget* new_panel(QTabWidget* tabs, const char* caption,
                   QVBoxLayout** layout) {
  auto* panel = new QWidget;
  *layout = new QVBoxLayout(panel);
  tabs->addTab(panel, QString::fromUtf8(caption));
  return panel;
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

// A row "Include:"/"Skip:" label and edit box in a grid.
QLineEdit* add_labelled_edit(QGridLayout* grid, int row, const char* label) {
  auto* edit = new QLineEdit;
  grid->addWidget(new QLabel(QString::fromUtf8(label)), row, 0);
  grid->addWidget(edit, row, 1);
  return edit;
}

void build_source_page(QTabWidget* tabs,
                       const std::vector<std::string>& style_names,
                       form1_controls* c, form1_commands* k) {
  QVBoxLayout* panel;
  new_panel(tabs, "Source and Output", &panel);

  QGroupBox* source = add_group(
      panel, "Source.  Select directory or archive file to make listing from.");
  auto* sl = new QGridLayout(source);
  c->directory_radio = new QRadioButton("Directory listing");
  c->archive_radio =
      new QRadioButton("Archive file listing (tar, tar.gz, tgz, zip) ");
  pair_radios(source, c->directory_radio, c->archive_radio, false);
  c->source_edit = new QLineEdit;
  k->path_select = new QPushButton("Path select...");
  sl->addWidget(c->directory_radio, 0, 0);
  sl->addWidget(c->archive_radio, 0, 1);
  sl->addWidget(c->source_edit, 1, 0, 1, 2);
  sl->addWidget(k->path_select, 1, 2);
  sl->setColumnStretch(1, 1);

  QGroupBox* tmpl = add_group(
      panel, "Output template.  Make output file using selected template.");
  auto* tl = new QGridLayout(tmpl);
  c->template_list = new QComboBox;
  for (const std::string& name : style_names)
    c->template_list->addItem(to_qt(name));
  k->edit_template = new QPushButton("Edit template");
  k->template_description = new_link("Template description");
  tl->addWidget(c->template_list, 0, 0);
  tl->addWidget(k->edit_template, 0, 1);
  tl->addWidget(k->template_description, 1, 0);
  tl->setColumnStretch(0, 1);

  QGroupBox* output =
      add_group(panel, "Output file.  Save generated output file as...");
  auto* ol = new QGridLayout(output);
  c->output_edit = new QLineEdit;
  k->output_save_as = new QPushButton("Save As...");
  k->view_output = new_link("View generated output file");
  set_link_enabled(k->view_output, false);
  ol->addWidget(c->output_edit, 0, 0);
  ol->addWidget(k->output_save_as, 0, 1);
  ol->addWidget(k->view_output, 1, 0);
  ol->setColumnStretch(0, 1);
  panel->addStretch(1);
}

// One "Start"/"End" row of the time filter: label, date and time pickers.
void add_time_row(QGridLayout* grid, int row, const char* caption,
                  QLabel** label, QDateEdit** date, QTimeEdit** time) {
  *label = new QLabel(QString::fromUtf8(caption));
  *date = new QDateEdit;
  (*date)->setCalendarPopup(true);
  (*date)->setDisplayFormat("yyyy-MM-dd");
  *time = new QTimeEdit;
  (*time)->setDisplayFormat("HH:mm:ss");
  grid->addWidget(*label, row, 0);
  grid->addWidget(*date, row, 1);
  grid->addWidget(*time, row, 2);
}

void add_filter_groups(QVBoxLayout* panel, form1_controls* c) {
  QGroupBox* files = add_group(
      panel,
      "Files filter.  Use wildcards.  Use semicolon to separate entries.");
  auto* fl = new QGridLayout(files);
  c->file_include = add_labelled_edit(fl, 0, "Include:");
  c->file_skip = add_labelled_edit(fl, 1, "Skip:");

  QGroupBox* folders = add_group(panel,
                                 "Directories filter.  Use wildcards.  Use "
                                 "semicolon to separate entries.");
  auto* dl = new QGridLayout(folders);
  c->folder_include = add_labelled_edit(dl, 0, "Include:");
  c->folder_skip = add_labelled_edit(dl, 1, "Skip:");
}

void add_size_group(QVBoxLayout* panel, form1_controls* c) {
  QGroupBox* size = add_group(panel, "File size filter. ");
  auto* zl = new QGridLayout(size);
  c->size_filter = new QCheckBox("Process only files with size between:");
  c->size_start = new QLineEdit("0");
  c->size_start_unit = new QLabel("Kb");
  c->size_and = new QLabel("and");
  c->size_end = new QLineEdit("0");
  c->size_end_unit = new QLabel("Kb");
  zl->addWidget(c->size_filter, 0, 0, 1, 6);
  zl->addWidget(c->size_start, 1, 0);
  zl->addWidget(c->size_start_unit, 1, 1);
  zl->addWidget(c->size_and, 1, 2);
  zl->addWidget(c->size_end, 1, 3);
  zl->addWidget(c->size_end_unit, 1, 4);
  zl->setColumnStretch(5, 1);
}

void build_filter_page(QTabWidget* tabs, form1_controls* c) {
  QVBoxLayout* panel;
  new_panel(tabs, "File Filter", &panel);
  add_filter_groups(panel, c);

  QGroupBox* time = add_group(panel, "File time filter.");
  auto* ml = new QGridLayout(time);
  c->time_filter = new QCheckBox("Process only files modified between");
  ml->addWidget(c->time_filter, 0, 0, 1, 4);
  add_time_row(ml, 1, "Start", &c->start_label, &c->start_date, &c->start_time);
  add_time_row(ml, 2, "End", &c->end_label, &c->end_date, &c->end_time);
  ml->setColumnStretch(3, 1);

  add_size_group(panel, c);
  panel->addStretch(1);
}

void build_order_page(QTabWidget* tabs, form1_controls* c) {
  QVBoxLayout* panel;
  new_panel(tabs, "File Order and Recursion", &panel);

  QGroupBox* order = add_group(
      panel,
      "File order options. Specify the order of links in the output file. ");
  auto* ol = new QGridLayout(order);
  c->order_by = new QComboBox;
  c->order_by->addItems({"Unsorted", "Name", "Extension", "Size", "Date"});
  c->ascending = new QRadioButton("Ascending");
  c->descending = new QRadioButton("Descending");
  pair_radios(order, c->ascending, c->descending, false);
  ol->addWidget(new QLabel("Order by:"), 0, 0);
  ol->addWidget(c->order_by, 0, 1);
  ol->addWidget(c->ascending, 1, 1);
  ol->addWidget(c->descending, 2, 1);
  ol->setColumnStretch(2, 1);

  QGroupBox* recursion = add_group(
      panel,
      "Recursive options. This is useful to build tree like listings or to "
      "process all inner folders. ");
  auto* rl = new QVBoxLayout(recursion);
  c->recursive = new QCheckBox("Recursive directory processing");
  c->single_file = new QRadioButton("All output go to a single file");
  c->per_folder = new QRadioButton("Each subfolder generates its own file");
  pair_radios(recursion, c->single_file, c->per_folder, true);
  rl->addWidget(c->recursive);
  rl->addWidget(c->single_file);
  rl->addWidget(c->per_folder);
  panel->addStretch(1);
}

void add_format_groups(QVBoxLayout* panel, form1_controls* c,
                       form1_commands* k) {
  QGroupBox* options = add_group(
      panel,
      "Output Options.  Specify what things to include or to exclude from "
      "output.");
  auto* pl = new QVBoxLayout(options);
  c->show_folders = new QCheckBox("Use folders [name or links] in the output");
  c->show_summary = new QCheckBox("Show summary ");
  pl->addWidget(c->show_folders);
  pl->addWidget(c->show_summary);

  QGroupBox* date =
      add_group(panel, "Date Format.  Use \"strftime\" function format. ");
  auto* dl = new QGridLayout(date);
  c->date_format = new QLineEdit;
  k->see_example = new QPushButton("See example:");
  c->date_example = new QLabel;
  c->gmt_dates = new QCheckBox("Convert dates to GMT ");
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
  c->image_dir = new QLineEdit;
  k->put_local_path = new QPushButton("Put local path");
  il->addWidget(c->image_dir, 1);
  il->addWidget(k->put_local_path);
}

void build_format_page(QTabWidget* tabs, form1_controls* c, form1_commands* k) {
  QVBoxLayout* panel;
  new_panel(tabs, "Output Format Options", &panel);
  add_format_groups(panel, c, k);

  auto* row = new QHBoxLayout;
  panel->addLayout(row);
  auto* encode = new QGroupBox("Encode link URLs with: ");
  auto* el = new QVBoxLayout(encode);
  c->url_encode = new QRadioButton("URL Encode");
  c->html_escape = new QRadioButton("HTML Escape");
  pair_radios(encode, c->url_encode, c->html_escape, false);
  el->addWidget(c->url_encode);
  el->addWidget(c->html_escape);

  auto* units = new QGroupBox("Show file size in: ");
  auto* ul = new QVBoxLayout(units);
  c->bytes = new QRadioButton("Bytes");
  c->kilobytes = new QRadioButton("Kb");
  c->megabytes = new QRadioButton("Mb");
  c->bytes->setChecked(true);  // one exclusive set: they share the box
  ul->addWidget(c->bytes);
  ul->addWidget(c->kilobytes);
  ul->addWidget(c->megabytes);
  row->addWidget(encode, 1);
  row->addWidget(units, 1);
  panel->addStretch(1);
}

}  // namespace

void build_form1_pages(QTabWidget* tabs,
                       const std::vector<std::string>& style_names,
                       form1_controls* controls, form1_commands* commands) {
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

#include "app/settings_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QRadioButton>
#include <QTimeEdit>
#include <cmath>
#include <limits>

#include "platform/date_conversion.h"

namespace {

// Day 0 of the pickers' date values.
const QDate kDateOrigin(1899, 12, 30);

variant text_of(const QLineEdit* edit) {
  return variant(std::string_view(from_qt(edit->text())));
}

// A number field: an integer when it fits, else its decimal text, which
// every reader takes back with as_int64().
variant number_value(int64_t n) {
  if (n >= std::numeric_limits<int32_t>::min() &&
      n <= std::numeric_limits<int32_t>::max())
    return variant(static_cast<int>(n));
  return time_value(n);
}

int64_t picker_seconds(const QDateEdit* date, const QTimeEdit* time) {
  double days = static_cast<double>(kDateOrigin.daysTo(date->date()));
  int64_t local = datetime_to_unix(days) + QTime(0, 0).secsTo(time->time());
  return local_to_utc_seconds(local);
}

void show_seconds(int64_t utc, QDateEdit* date, QTimeEdit* time) {
  double value = unix_to_datetime(utc_to_local_seconds(utc));
  date->setDate(kDateOrigin.addDays(static_cast<qint64>(std::floor(value))));
  time->setTime(QTime(0, 0).addSecs(seconds_of_day(value)));
}

QString size_box_text(const variant& bytes) {
  return QString::number(bytes.as_int64() / 1024);
}

void check_pair(bool second, QRadioButton* first_radio,
                QRadioButton* second_radio) {
  first_radio->setChecked(!second);
  second_radio->setChecked(second);
}

void show_size_units(const variant& units, const main_window_controls& c) {
  int32_t n = units.as_int();
  if (n < 0 || n > 4) return;
  c.bytes->setChecked(n == 0);
  c.kilobytes->setChecked(n == 1);
  c.megabytes->setChecked(n == 2);
  c.human_sizes->setChecked(n == 3);
  c.human_binary_sizes->setChecked(n == 4);
}

void show_text(const variant& value, QLineEdit* edit) {
  edit->setText(to_qt(value));
}

}  // namespace

QString to_qt(std::string_view bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString to_qt(const variant& value) { return to_qt(value.view()); }

std::string from_qt(const QString& text) {
  QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void controls_to_settings(const main_window_controls& c,
                          const data_tables& formatter, settings_record* s) {
  s->source = variant(c.archive_radio->isChecked());
  s->subfolders_in_one_file = variant(c.single_file->isChecked());
  s->sort_order = variant(c.descending->isChecked());
  s->url_html_escape = variant(c.html_escape->isChecked());
  s->subfolders = variant(c.recursive->isChecked());
  s->is_gmt_date = variant(c.gmt_dates->isChecked());
  s->show_summary = variant(c.show_summary->isChecked());
  s->show_folders = variant(c.show_folders->isChecked());
  s->time_filter = variant(c.time_filter->isChecked());
  s->size_filter = variant(c.size_filter->isChecked());
  s->path = text_of(c.source_edit);
  s->save = text_of(c.output_edit);
  s->mask = text_of(c.file_include);
  s->skip_files = text_of(c.file_skip);
  s->folder_include = text_of(c.folder_include);
  s->folder_skip = text_of(c.folder_skip);
  s->date_format = text_of(c.date_format);
  const std::string image_dir = from_qt(c.image_dir->currentText());
  s->image_dir = variant(
      std::string_view(image_dir == kEmbeddedIcons ? "" : image_dir));
  s->order_files = variant(c.order_by->currentIndex());
  const QRadioButton* units[] = {c.bytes, c.kilobytes, c.megabytes,
                                 c.human_sizes, c.human_binary_sizes};
  int32_t unit = 0;
  for (int32_t i = 0; i < 5; ++i) {
    if (units[i]->isChecked()) unit = i;
  }
  s->size_units = variant(unit);
  s->format = formatter.style_format(c.template_list->currentIndex());
  s->time_start = time_value(picker_seconds(c.start_date, c.start_time));
  s->time_end = time_value(picker_seconds(c.end_date, c.end_time));
  s->size_start = number_value(text_of(c.size_start).as_int64() * 1024);
  s->size_end = number_value(text_of(c.size_end).as_int64() * 1024);
}

void settings_to_controls(const settings_record& s,
                          const data_tables& formatter,
                          main_window_controls* c) {
  c->date_example->clear();
  check_pair(s.source.as_bool(), c->directory_radio, c->archive_radio);
  check_pair(!s.subfolders_in_one_file.as_bool(), c->single_file,
             c->per_folder);
  check_pair(s.sort_order.as_bool(), c->ascending, c->descending);
  check_pair(s.url_html_escape.as_bool(), c->url_encode, c->html_escape);
  c->recursive->setChecked(s.subfolders.as_bool());
  c->gmt_dates->setChecked(s.is_gmt_date.as_bool());
  c->show_summary->setChecked(s.show_summary.as_bool());
  c->show_folders->setChecked(s.show_folders.as_bool());
  c->time_filter->setChecked(s.time_filter.as_bool());
  c->size_filter->setChecked(s.size_filter.as_bool());
  show_text(s.path, c->source_edit);
  show_text(s.save, c->output_edit);
  show_text(s.mask, c->file_include);
  show_text(s.skip_files, c->file_skip);
  show_text(s.folder_include, c->folder_include);
  show_text(s.folder_skip, c->folder_skip);
  show_text(s.date_format, c->date_format);
  c->image_dir->setEditText(s.image_dir.view().empty()
                                ? QString(kEmbeddedIcons)
                                : to_qt(s.image_dir));
  c->order_by->setCurrentIndex(s.order_files.as_int());
  show_size_units(s.size_units, *c);
  c->template_list->setCurrentIndex(-1);
  c->template_list->setCurrentIndex(formatter.style_position(s.format));
  show_seconds(s.time_start.as_int64(), c->start_date, c->start_time);
  show_seconds(s.time_end.as_int64(), c->end_date, c->end_time);
  c->size_start->setText(size_box_text(s.size_start));
  c->size_end->setText(size_box_text(s.size_end));
  apply_dependent_states(*c);
}

void apply_dependent_states(const main_window_controls& c) {
  bool recursive = c.recursive->isChecked();
  c.single_file->setEnabled(recursive);
  c.per_folder->setEnabled(recursive);
  bool by_time = c.time_filter->isChecked();
  const std::initializer_list<QWidget*> time_controls = {
      c.start_label, c.end_label,  c.start_date,
      c.end_date,    c.start_time, c.end_time};
  for (QWidget* w : time_controls) w->setEnabled(by_time);
  bool by_size = c.size_filter->isChecked();
  const std::initializer_list<QWidget*> size_controls = {
      c.size_start, c.size_end, c.size_start_unit, c.size_end_unit, c.size_and};
  for (QWidget* w : size_controls) w->setEnabled(by_size);
}

void connect_dependent_controls(const main_window_controls& c) {
  for (QCheckBox* box : {c.recursive, c.time_filter, c.size_filter}) {
    QObject::connect(box, &QCheckBox::toggled,
                     [c](bool) { apply_dependent_states(c); });
  }
}

#include "platform/file_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "support/qt_test_app.h"
#include "support/scratch_folder.h"

namespace {

// Acts on the dialog once it is up (the timer fires inside its event loop).
void when_shown(std::function<void(QFileDialog*)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog =
        qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(dialog);
  });
}

TEST(FileDialogs, CancelledOpenEmptiesTheResult) {
  scratch_folder dir;
  file_dialog d;
  d.result = variant("/earlier/choice");
  d.name_offset = 8;
  d.initial_folder = variant((dir.path() + "/").c_str());
  std::string seen_folder;
  when_shown([&](QFileDialog* dialog) {
    seen_folder = dialog->directory().absolutePath().toStdString();
    dialog->reject();
  });
  EXPECT_FALSE(d.show_open());
  EXPECT_EQ(d.result.view(), "");
  EXPECT_EQ(d.name_offset, -1);
  EXPECT_EQ(d.initial_folder.view(), dir.path());
  EXPECT_EQ(seen_folder, dir.path());
}

TEST(FileDialogs, SaveAddsTheDefaultExtensionAndReportsTheNameOffset) {
  scratch_folder dir;
  file_dialog d;
  d.ask_overwrite();
  d.default_extension = variant("htm");
  using namespace std::string_literals;
  d.filter = variant(std::string_view("HTML\0*.htm;*.html\0All\0*.*\0\0"s));
  d.initial_folder = variant(dir.path().c_str());
  QStringList filters;
  when_shown([&](QFileDialog* dialog) {
    filters = dialog->nameFilters();
    dialog->selectFile(QString::fromStdString(dir.at("listing")));
    static_cast<QDialog*>(dialog)->accept();
  });
  ASSERT_TRUE(d.show_save());
  EXPECT_EQ(d.result.view(), dir.at("listing.htm"));
  EXPECT_EQ(d.name_offset, static_cast<int32_t>(dir.path().size()) + 1);
  EXPECT_EQ(filters, QStringList({"HTML (*.htm *.html)", "All (*)"}));
  EXPECT_EQ(d.flags, kDialogExplorer | kDialogOverwritePrompt);
}

TEST(FileDialogs, CancelledBrowseKeepsTheResult) {
  folder_dialog d;
  d.result = variant("/kept");
  d.title = variant("Dirgen 2.0\r\nSelect an installation folder");
  QString title;
  when_shown([&](QFileDialog* dialog) {
    title = dialog->windowTitle();
    dialog->reject();
  });
  EXPECT_FALSE(d.browse());
  EXPECT_EQ(d.result.view(), "/kept");
  EXPECT_EQ(title, "Dirgen 2.0 - Select an installation folder");
}

TEST(FileDialogs, WindowIsCentredOrPutAtTheCorner) {
  QWidget small;
  small.resize(200, 100);
  center_on_screen(&small);
  QRect screen = small.screen()->geometry();
  EXPECT_EQ(small.pos(), QPoint(screen.left() + (screen.width() - 200) / 2,
                                screen.top() + (screen.height() - 100) / 2));
  QWidget large;
  large.resize(screen.width() + 10, screen.height() + 10);
  center_on_screen(&large);
  EXPECT_EQ(large.pos(), screen.topLeft());
}

}  // namespace

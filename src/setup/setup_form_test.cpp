#include "setup/setup_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <memory>

#include "setup/setup_test_util.h"
#include "support/qt_test_app.h"

namespace fs = std::filesystem;

namespace {

class SetupForm : public ::testing::Test {
 protected:
  void SetUp() override {
    dist_ = work_.path() + "/dist";
    make_distribution(dist_);
  }
  void open() {
    form_ = std::make_unique<setup_form>(dist_, work_.path(), &services_);
    form_->show();
    QApplication::processEvents();
  }
  template <typename T>
  T* find(const char* name) {
    T* widget = form_->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QPushButton* button(const char* name) { return find<QPushButton>(name); }
  void click(const char* name) {
    button(name)->click();
    QApplication::processEvents();
  }
  // The visible buttons, left to right, as "caption" or "-" when hidden.
  std::vector<std::string> buttons() {
    std::vector<std::string> out;
    for (const char* name : {"back_button", "middle_button", "right_button"}) {
      QPushButton* b = button(name);
      out.push_back(b->isVisible() ? b->text().toStdString() : "-");
    }
    return out;
  }
  std::string visible_panel() {
    for (const char* name : {"welcome_panel", "license_panel",
                             "destination_panel", "progress_panel"}) {
      if (find<QWidget>(name)->isVisible()) return name;
    }
    return "none";
  }

  isolated_desktop desktop_;
  scratch_folder work_;
  std::string dist_;
  fake_services services_;
  std::unique_ptr<setup_form> form_;
};

using strings = std::vector<std::string>;

TEST_F(SetupForm, WalksThroughEveryPageToTheCompletedInstallation) {
  open();
  EXPECT_EQ(form_->windowTitle().toStdString(), "Dirgen 2.0");
  EXPECT_EQ(find<QLabel>("title_label")->text().toStdString(),
            "Kovix Dirgen 2.0 ");
  EXPECT_EQ(find<QLabel>("title_label")->font().pixelSize(), 30);
  EXPECT_EQ(find<QLabel>("welcome_label")->text().toStdString(),
            "Welcome to Dirgen 2.0 setup.");
  EXPECT_EQ(visible_panel(), "welcome_panel");
  EXPECT_EQ(buttons(), (strings{"-", "Next >", "Cancel"}));

  click("middle_button");
  EXPECT_EQ(visible_panel(), "license_panel");
  EXPECT_EQ(buttons(), (strings{"< Back", "Accept", "Don't Accept"}));
  EXPECT_EQ(find<QPlainTextEdit>("license_box")->toPlainText().toStdString(),
            "Licence line 1 Licence line 2\n");
  EXPECT_EQ(find<QPlainTextEdit>("license_box")->lineWrapMode(),
            QPlainTextEdit::WidgetWidth);

  click("middle_button");
  EXPECT_EQ(visible_panel(), "destination_panel");
  EXPECT_EQ(buttons(), (strings{"< Back", "Start installation", "Cancel"}));
  EXPECT_EQ(find<QLabel>("required_space_label")->text().toStdString(),
            form_->wizard().required_space());
  EXPECT_EQ(find<QLabel>("hint_label")->text().toStdString(),
            form_->wizard().destination_hint());
  QLineEdit* edit = find<QLineEdit>("destination_edit");
  edit->setText(QString::fromStdString(desktop_.home() + "/Apps/"));

  click("middle_button");
  EXPECT_EQ(services_.messages, strings{});
  EXPECT_EQ(visible_panel(), "progress_panel");
  EXPECT_EQ(buttons(), (strings{"-", "-", "Finish"}));
  EXPECT_TRUE(find<QLabel>("completion_label")->isVisible());
  EXPECT_EQ(find<QLabel>("completion_label")->text().toStdString(),
            "Dirgen 2.0 setup is complete.");
  EXPECT_EQ(find<QProgressBar>("progress_bar")->value(), 100);
  EXPECT_EQ(find<QLabel>("percent_label")->text().toStdString(), "100");
  std::string inst = desktop_.home() + "/Apps/DGN2/";
  EXPECT_TRUE(is_runnable(inst + "kdgn20"));
  EXPECT_TRUE(fs::exists(desktop_.system_applications() + "/dirgen.desktop"));
  QLabel* details = find<QLabel>("details_label");
  EXPECT_TRUE(details->isVisible());
  EXPECT_NE(details->text().toStdString().find("installed in " + inst),
            std::string::npos);

  click("start_button");
  EXPECT_EQ(services_.started, strings{inst + "kdgn20 in " + inst});
  EXPECT_FALSE(form_->isVisible());
}

TEST_F(SetupForm, ReturnGoesOnAndEscapeCancels) {
  open();
  QTest::keyClick(form_.get(), Qt::Key_Return);
  EXPECT_EQ(visible_panel(), "license_panel");
  QTest::keyClick(form_.get(), Qt::Key_Enter);
  EXPECT_EQ(visible_panel(), "destination_panel");
  QLineEdit* edit = find<QLineEdit>("destination_edit");
  edit->setText(QString::fromStdString(desktop_.home() + "/Apps"));
  QTest::keyClick(edit, Qt::Key_Return);  // the box passes Return on
  EXPECT_EQ(visible_panel(), "progress_panel");
  QTest::keyClick(form_.get(), Qt::Key_Return);
  EXPECT_FALSE(form_->isVisible()) << "Return finishes";

  open();
  QTest::keyClick(form_.get(), Qt::Key_Escape);
  EXPECT_FALSE(form_->isVisible());
  EXPECT_TRUE(form_->wizard().closed());
}

TEST_F(SetupForm, IncompleteDistributionClosesTheWindowWhenShown) {
  fs::remove(dist_ + "/remove");
  open();
  EXPECT_EQ(services_.messages,
            strings{"The distribution is incomplete.\n" + dist_ +
                    "/remove is missing.\nTerminating."});
  EXPECT_FALSE(form_->isVisible());
}

TEST_F(SetupForm, BackFromDestinationResetsTheBox) {
  open();
  click("middle_button");
  click("middle_button");
  QLineEdit* edit = find<QLineEdit>("destination_edit");
  std::string proposed = edit->text().toStdString();
  edit->setText("/typed/elsewhere");
  click("back_button");
  EXPECT_EQ(visible_panel(), "license_panel");
  click("middle_button");
  EXPECT_EQ(edit->text().toStdString(), proposed);
}

TEST_F(SetupForm, RefusedDestinationKeepsThePageAndItsText) {
  services_.free_bytes = 10;
  open();
  click("middle_button");
  click("middle_button");
  QLineEdit* edit = find<QLineEdit>("destination_edit");
  edit->setText(QString::fromStdString(desktop_.home() + "/Apps"));
  click("middle_button");
  EXPECT_EQ(services_.messages.size(), 1u);
  EXPECT_EQ(visible_panel(), "destination_panel");
  EXPECT_EQ(buttons(), (strings{"< Back", "Start installation", "Cancel"}));
  EXPECT_EQ(edit->text().toStdString(), desktop_.home() + "/Apps");
}

TEST_F(SetupForm, CancelAndDontAcceptCloseTheWindow) {
  for (int page : {0, 1, 2}) {
    open();
    for (int i = 0; i < page; ++i) click("middle_button");
    click("right_button");
    EXPECT_FALSE(form_->isVisible()) << page;
    EXPECT_TRUE(form_->wizard().closed());
  }
}

}  // namespace

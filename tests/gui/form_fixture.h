#pragma once
// The real form, opened offscreen in a fresh working directory, with every
// message box recorded and dismissed at once.
#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "form/w_main.h"
#include "runtime/windows/message_box.h"
#include "support/temp_dir.h"

namespace test_support {

struct ShownMessage {
  std::string title;  // GBK
  std::string text;   // GBK
  std::string focus_when_shown;  // object name of the focused widget
};

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens the form (its create and open events run); files for the open
  // event must be in place before.
  void open_form();

  // Replaces the edit's text as typing would (UTF-8 in, GBK in the control).
  void type(runtime::Control& edit, const std::string& utf8);
  // Fills the six required fields with the valid texts of check_steps.
  void fill_valid();
  // The form's control of that object name ("sle_1"); throws
  // std::invalid_argument for a name the form does not have.
  runtime::Control& named(const std::string& name) const;
  // Puts the UTF-8 text on the clipboard and presses Ctrl+V in the widget.
  void paste_with_ctrl_v(QWidget* widget, const std::string& utf8);
  void click(runtime::Control& button);
  void press_key(int qt_key, int qt_modifiers = 0);  // to the focused widget

  std::string focused_name() const;  // object name of the focused widget
  std::string file(const char* name) const;  // raw bytes of a file in the working dir

  // Puts a UTF-8 text straight into the edit's widget, as typing would, so it
  // may hold characters that GBK cannot represent (set_text takes GBK).
  void type_unicode(runtime::Control& edit, const std::string& utf8);
  // Fixes the clock the files' dates come from; TearDown restores it.
  void fix_clock(int year, int month, int day, int hour, int minute, int second);
  void put_file(const char* name, const std::string& bytes) const;  // raw bytes
  bool file_present(const char* name) const;  // a file, not a directory

  std::unique_ptr<TempWorkingDir> dir;
  std::unique_ptr<form::w_main> window;
  std::vector<ShownMessage> messages;
};

// UTF-8 of a GBK text, for readable assertions.
std::string utf8(const std::string& gbk);

}  // namespace test_support

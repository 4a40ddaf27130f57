// A whole run of the application object: create makes the five standard
// globals, open shows the form, the run lasts until no window is open, and
// destroy removes the globals again; failures on either side end it early.
#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/kestrel.h"
#include "form_fixture.h"
#include "runtime/windows/application.h"
#include "runtime/windows/standard_objects.h"
#include "runtime/windows/window.h"
#include "runtime/windows/qt/qt_native.h"
#include "support/expected_form.h"

namespace test_support {
namespace {

using Log = std::vector<std::string>;

const Log all_created = {"create message", "create transaction", "create dynamicdescriptionarea",
                         "create dynamicstagingarea", "create error"};
const Log all_destroyed = {"destroy transaction", "destroy dynamicdescriptionarea",
                           "destroy dynamicstagingarea", "destroy error", "destroy message"};

// Which globals hold an object: message, sqlca, sqlda, sqlsa, error.
std::vector<bool> globals_held() {
  return {app::message != nullptr, app::sqlca != nullptr, app::sqlda != nullptr,
          app::sqlsa != nullptr, app::error != nullptr};
}

// What the run looked like from inside, seen through a handler table that
// wraps the application's own.
struct Watched {
  bool create_result = false;
  std::vector<bool> held_after_create;
  bool open_raised = false;
  std::string commandline;
  std::function<void()> once_running;  // queued by open, run by the event loop
};
Watched watched;

runtime::ApplicationHandlers watched_kestrel() {
  runtime::ApplicationHandlers handlers = app::getVtableInfo_kestrel();
  handlers.create = [create = handlers.create] {
    watched.create_result = create();
    watched.held_after_create = globals_held();
    return watched.create_result;
  };
  handlers.open = [open = handlers.open](const std::string& commandline) {
    watched.open_raised = true;
    watched.commandline = commandline;
    // Queued from here, where the run's Qt application exists, for the loop.
    if (watched.once_running) QTimer::singleShot(0, watched.once_running);
    return open(commandline);
  };
  return handlers;
}

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::make_unique<TempWorkingDir>();
    runtime::testing::object_log().clear();
    runtime::set_message_box_presenter([this](const std::string&, const std::string& text) {
      messages.push_back(text);
    });
    watched = Watched{};
  }

  void TearDown() override {
    runtime::testing::fail_nth_creation(0);
    runtime::testing::fail_nth_destruction(0);
    runtime::testing::hide_control_class("");
    if (app::w_main && app::w_main->is_open()) runtime::window_close(*app::w_main);
    app::w_main.reset();
    for (app::GlobalRef* global : {&app::sqlca, &app::sqlda, &app::sqlsa, &app::error, &app::message})
      global->reset();
    runtime::testing::object_log().clear();
    runtime::set_message_box_presenter({});
    dir.reset();
  }

  // Runs the application; `while_running` is called once the user interface
  // runs and must end the run. If the run never gets that far, nothing waits.
  int run(std::function<void()> while_running, std::string_view arguments = "") {
    watched.once_running = [this, while_running] {
      if (!running) return;  // fired after a run that never looped
      loop_ran = true;
      while_running();
    };
    running = true;
    const int exit_code = runtime::application_run(watched_kestrel, nullptr, nullptr, arguments, 10, 1000, 1);
    running = false;
    QApplication::processEvents();
    return exit_code;
  }

  static void close_form() { runtime::window_close(*app::w_main); }

  std::unique_ptr<TempWorkingDir> dir;
  std::vector<std::string> messages;
  bool running = false;
  bool loop_ran = false;
};

TEST_F(ApplicationTest, RunMakesTheGlobalsOpensTheFormAndRemovesTheGlobalsWhenItCloses) {
  bool form_open = false;
  int windows = 0;
  std::vector<bool> held_while_running;
  const int exit_code = run([&] {
    form_open = app::w_main && app::w_main->is_open() && runtime::qt::widget(*app::w_main)->isVisible();
    windows = runtime::open_window_count();
    held_while_running = globals_held();
    close_form();
  });

  EXPECT_EQ(exit_code, 0);
  EXPECT_TRUE(loop_ran);
  EXPECT_TRUE(form_open);
  EXPECT_EQ(windows, 1);
  EXPECT_EQ(held_while_running, std::vector<bool>(5, true));
  Log expected = all_created;
  expected.insert(expected.end(), all_destroyed.begin(), all_destroyed.end());
  EXPECT_EQ(runtime::testing::object_log(), expected);
  EXPECT_EQ(globals_held(), std::vector<bool>(5, false));
  EXPECT_FALSE(app::w_main->is_open());
  EXPECT_TRUE(messages.empty());
}

TEST_F(ApplicationTest, TitleBarCloseEndsTheRunLikeTheProgramsOwnClose) {
  const int exit_code = run([] { runtime::qt::widget(*app::w_main)->close(); });
  EXPECT_EQ(exit_code, 0);
  EXPECT_FALSE(app::w_main->is_open());
  EXPECT_EQ(runtime::testing::object_log().size(), 10u);
  EXPECT_EQ(globals_held(), std::vector<bool>(5, false));
}

TEST_F(ApplicationTest, ExitButtonEndsTheRun) {
  const int exit_code = run([] {
    QTest::mouseClick(runtime::qt::widget(*app::w_main->cb_2), Qt::LeftButton);
  });
  EXPECT_EQ(exit_code, 0);
  EXPECT_FALSE(app::w_main->is_open());
  EXPECT_EQ(globals_held(), std::vector<bool>(5, false));
}

TEST_F(ApplicationTest, ThirdCreationFailingEndsTheRunBeforeTheFormOpens) {
  runtime::testing::fail_nth_creation(3);
  const int exit_code = run([] { QCoreApplication::exit(0); });  // only if it ever loops

  EXPECT_NE(exit_code, 0);
  EXPECT_FALSE(watched.create_result);
  // message and sqlca were made; sqlda, sqlsa and error stayed empty.
  EXPECT_EQ(watched.held_after_create, (std::vector<bool>{true, true, false, false, false}));
  EXPECT_FALSE(watched.open_raised);
  EXPECT_FALSE(loop_ran);
  EXPECT_EQ(app::w_main, nullptr);
  // destroy removes what exists and skips the empty globals.
  EXPECT_EQ(runtime::testing::object_log(),
            (Log{"create message", "create transaction", "destroy transaction", "destroy message"}));
  EXPECT_EQ(globals_held(), std::vector<bool>(5, false));
}

TEST_F(ApplicationTest, FormThatCannotBeCreatedEndsTheRunAndTheGlobalsAreStillRemoved) {
  runtime::testing::hide_control_class("groupbox");
  const int exit_code = run([] { QCoreApplication::exit(0); });

  EXPECT_NE(exit_code, 0);
  EXPECT_TRUE(watched.open_raised);
  EXPECT_FALSE(loop_ran);
  ASSERT_NE(app::w_main, nullptr);
  EXPECT_FALSE(app::w_main->is_open());
  EXPECT_EQ(runtime::open_window_count(), 0);
  Log expected = all_created;
  expected.insert(expected.end(), all_destroyed.begin(), all_destroyed.end());
  EXPECT_EQ(runtime::testing::object_log(), expected);
}

// The n-th destruction failing stops destroy at once: that global and every
// later one keep their objects.
class FailingDestructionTest : public ApplicationTest, public ::testing::WithParamInterface<int> {};

TEST_P(FailingDestructionTest, StopsDestroyAtOnce) {
  const int n = GetParam();
  runtime::testing::fail_nth_destruction(n);
  const int exit_code = run(close_form);

  EXPECT_NE(exit_code, 0);
  Log expected = all_created;
  expected.insert(expected.end(), all_destroyed.begin(), all_destroyed.begin() + (n - 1));
  EXPECT_EQ(runtime::testing::object_log(), expected);
  // In destruction order: sqlca, sqlda, sqlsa, error, message.
  const std::vector<bool> held = {app::sqlca != nullptr, app::sqlda != nullptr, app::sqlsa != nullptr,
                                  app::error != nullptr, app::message != nullptr};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(held[i], i >= n - 1) << "global " << i;
}

INSTANTIATE_TEST_SUITE_P(EachGlobal, FailingDestructionTest, ::testing::Range(1, 6));

// The argument text belongs to the program: an option of Qt's in it
// (-reverse) must not reach the Qt application that application_run makes. It
// makes one only where none exists, so the run takes place in a child process
// of this program that made none (see main.cpp).
TEST_F(ApplicationTest, CommandLineChangesNothing) {
  if (QCoreApplication::instance()) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KESTREL_TEST_NO_APPLICATION"), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=%1.%2").arg(test->test_suite_name(), test->name())});
    ASSERT_TRUE(child.waitForFinished(-1));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << "the run in a process of its own failed (its output is above)";
    return;
  }
  const std::string arguments = "UpdateConfig.ini /s -reverse http://example.com/Update.txt";
  std::map<std::string, std::string> edit_texts;
  Qt::LayoutDirection direction = Qt::LayoutDirectionAuto;
  const int exit_code = run(
      [&] {
        direction = QGuiApplication::layoutDirection();
        for (const runtime::Control* control : app::w_main->control) {
          const std::string& name = control->name();
          if (name.rfind("sle_", 0) == 0 || name == "mle_1") edit_texts[name] = control->text();
        }
        close_form();
      },
      arguments);

  EXPECT_EQ(exit_code, 0);
  EXPECT_TRUE(loop_ran);
  EXPECT_EQ(watched.commandline, arguments);
  EXPECT_EQ(runtime::testing::object_log().size(), 10u);
  // The form shows what any first start shows, laid out left to right.
  ASSERT_EQ(edit_texts.size(), 13u);
  for (const auto& [name, text] : edit_texts) EXPECT_EQ(utf8(text), expected_form::control(name).text) << name;
  EXPECT_EQ(direction, Qt::LeftToRight);
  EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace test_support

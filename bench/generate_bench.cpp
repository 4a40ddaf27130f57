// One generation end to end on the real form, under Qt's offscreen platform:
// a click on cb_1 runs the twelve checks, writes both files and shows the
// closing report, which a presenter dismisses at once. Create mode starts
// each click in an empty directory; update mode edits the files the previous
// click left, as a publisher's next release does.
#include <QApplication>
#include <QTest>
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "bench/ini_corpus.h"
#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "form/w_main.h"
#include "runtime/text/gbk.h"
#include "runtime/windows/message_box.h"
#include "runtime/windows/qt/qt_native.h"

namespace {

// The form, open in a scratch working directory, with the six required
// fields filled as a publisher fills them.
class OpenForm {
 public:
  OpenForm() {
    runtime::set_message_box_presenter([this](const std::string&, const std::string& text) { last_ = text; });
    runtime::window_open(window_);
    window_->sle_1->set_text("http://example.com/update/Update.txt");
    window_->sle_2->set_text("Sales.exe");
    window_->sle_6->set_text("1.5");
    window_->sle_4->set_text("2.22");
    window_->sle_5->set_text("2024-03-02");
    window_->sle_3->set_text("http://example.com/update/sales.rar");
    window_->mle_1->set_text(runtime::gbk("修正报表合计。\r\n启动更快。"));
    QApplication::processEvents();
  }
  ~OpenForm() {
    if (window_->is_open()) runtime::window_close(*window_);
    window_.reset();
    runtime::set_message_box_presenter({});
  }

  form::w_main& window() { return *window_; }

  void click_generate() { QTest::mouseClick(runtime::qt::widget(*window_->cb_1), Qt::LeftButton); }

  // True when the last box was the closing report of a generation.
  bool succeeded() const { return last_.rfind(runtime::gbk("生成配置文件成功"), 0) == 0; }

 private:
  bench::ScratchDir dir_;  // before the window: the open event reads from it
  std::unique_ptr<form::w_main> window_;
  std::string last_;
};

void remove_both_files() {
  std::filesystem::remove(files::client_config_file);
  std::filesystem::remove(files::update_descriptor_file);
}

void BM_generate_click_create(benchmark::State& state) {
  OpenForm form;
  for (auto _ : state) {
    state.PauseTiming();
    remove_both_files();
    state.ResumeTiming();
    form.click_generate();
    if (!form.succeeded()) state.SkipWithError("the generation did not succeed");
  }
}

void BM_generate_click_update(benchmark::State& state) {
  OpenForm form;
  form.click_generate();  // the files of the previous release
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    form.window().sle_6->set_text(flip ? "1.6" : "1.5");
    form.click_generate();
    if (!form.succeeded()) state.SkipWithError("the generation did not succeed");
  }
}

// The clicked event called directly: the same work without the mouse events.
void BM_generate_handler_update(benchmark::State& state) {
  OpenForm form;
  form.click_generate();
  for (auto _ : state) {
    form.window().cb_1_clicked();
    if (!form.succeeded()) state.SkipWithError("the generation did not succeed");
  }
}

}  // namespace

BENCHMARK(BM_generate_click_create)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_generate_click_update)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_generate_handler_update)->Unit(benchmark::kMicrosecond)->UseRealTime();

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

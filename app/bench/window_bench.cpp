// How long the main window takes to build and show, and how much heap it holds,
// next to a bare window made of the same widgets with the same entries and
// geometry but none of the program's own set-up. Run headless:
//   QT_QPA_PLATFORM=offscreen window_bench
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "app/tform2.h"
#include "music/chords.h"

namespace {

const QStringList& chordEntries() {
  static const QStringList entries = [] {
    QStringList names;
    for (const auto name : quavern::music::kChordNames) {
      names << QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    }
    return names;
  }();
  return entries;
}

template <typename Control>
Control* place(QWidget& parent, int left, int top, int width, int height) {
  auto* control = new Control(&parent);
  control->setGeometry(left, top, width, height);
  return control;
}

void addSelector(QWidget& parent, int left, int top, int width, const QStringList& entries) {
  auto* selector = place<QComboBox>(parent, left, top, width, 21);
  selector->setEditable(true);
  selector->addItems(entries);
}

std::unique_ptr<QWidget> bareWindow() {
  auto window = std::make_unique<QWidget>();
  window->resize(537, 378);
  window->setWindowTitle("bare");
  for (int bar = 0; bar < 16; ++bar) {
    const int left = 40 + (bar % 4) * 119;
    const int top = 42 + (bar / 4) * 70;
    place<QCheckBox>(*window, left, top, 89, 14)->setChecked(true);
    addSelector(*window, left, top + 14, 100, chordEntries());
    place<QLineEdit>(*window, left, top + 40, 100, 21);
  }
  place<QLineEdit>(*window, 40, 8, 294, 21)->setText("data.txt");
  const char* buttons[] = {"make", "play", "save", "open", "stop"};
  for (int i = 0; i < 5; ++i) {
    place<QPushButton>(*window, 280 + i * 81, 345, 75, 25)->setText(buttons[i]);
  }
  const char* captions[] = {"Loop:", "Tempo:", "b - #:"};
  for (int i = 0; i < 3; ++i) {
    place<QLabel>(*window, 40 + i * 80, 327, 36, 13)->setText(captions[i]);
  }
  addSelector(*window, 40, 346, 66, {"1", "2", "3", "5", "10"});
  addSelector(*window, 119, 346, 66, {"60", "80", "100", "120"});
  addSelector(*window, 200, 346, 66, {"b", "#"});
  return window;
}

std::unique_ptr<QWidget> programWindow() {
  return std::make_unique<quavern::TForm2>();
}

std::size_t heapInUse() {
  return mallinfo2().uordblks;
}

template <auto makeWindow>
void showWindow(benchmark::State& state) {
  std::size_t heldBytes = 0;
  for (auto _ : state) {
    const auto before = heapInUse();
    auto window = makeWindow();
    window->show();
    QApplication::processEvents();
    heldBytes = heapInUse() - before;
    state.PauseTiming();
    window.reset();
    QApplication::processEvents();
    state.ResumeTiming();
  }
  state.counters["heap_bytes"] = static_cast<double>(heldBytes);
}

BENCHMARK(showWindow<bareWindow>)->Name("bare_window")->Unit(benchmark::kMillisecond);
BENCHMARK(showWindow<programWindow>)->Name("program_window")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // Warm both paths once so that one-off costs (fonts, style, plug-ins) fall on neither.
  bareWindow()->show();
  programWindow()->show();
  QApplication::processEvents();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

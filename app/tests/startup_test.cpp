#include "app/startup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <stdexcept>

#include "app/tform2.h"

namespace quavern {
namespace {

TEST(StartUp, AFailureIsShownAndTheProgramStillEndsWithStatusZero) {
  struct Case {
    std::function<void()> startUp;
    std::optional<QString> shown;
  };
  const Case cases[] = {
      {[] { throw std::runtime_error("Out of system resources"); }, "Out of system resources"},
      {[] { throw 42; }, QString()},
      {[] {}, std::nullopt},
  };
  for (const auto& c : cases) {
    std::optional<QString> shown;
    const int status = runGuarded(c.startUp, [&](const QString& message) { shown = message; });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(shown, c.shown);
  }
}

TEST(StartUp, ClosingTheWindowEndsTheEventLoopWithStatusZero) {
  bool shown = false;
  bool windowWasUp = false;
  const int status = runGuarded(
      [&] {
        TForm2 window;
        window.show();
        QTimer::singleShot(0, &window, [&] {
          windowWasUp = window.isVisible();
          window.close();
        });
        QApplication::exec();
      },
      [&](const QString&) { shown = true; });
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(windowWasUp);
  EXPECT_FALSE(shown);
}

}  // namespace
}  // namespace quavern

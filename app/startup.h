#pragma once

#include <QApplication>
#include <QString>
#include <functional>

namespace quavern {

using ShowException = std::function<void(const QString& message)>;

// Runs start-up and the event loop; an exception that escapes them is shown to
// the user (one without a message of its own as an empty text). The program's
// exit status is 0 either way.
int runGuarded(const std::function<void()>& startAndRun, const ShowException& showException);

// The toolkit's error dialog.
void showExceptionDialog(const QString& message);

// The application object. An exception thrown by a handler is shown to the user
// and the event loop goes on, so one failed command does not end the program.
class Application : public QApplication {
 public:
  Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace quavern

#include "app/startup.h"

#include <QMessageBox>
#include <exception>

namespace quavern {

int runGuarded(const std::function<void()>& startAndRun, const ShowException& showException) {
  try {
    startAndRun();
  } catch (const std::exception& error) {
    showException(QString::fromLocal8Bit(error.what()));
  } catch (...) {
    showException(QString());
  }
  return 0;
}

void showExceptionDialog(const QString& message) {
  QMessageBox::critical(nullptr, QStringLiteral("Quavern"), message);
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    showExceptionDialog(QString::fromLocal8Bit(error.what()));
  } catch (...) {
    showExceptionDialog(QString());
  }
  return false;
}

}  // namespace quavern

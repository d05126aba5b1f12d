#include "app/gui/worker_runner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <exception>
#include <thread>

namespace updater {
namespace {

// Forwards each call to the window's thread and waits for it; an error raised there is
// raised again on the worker.
class GuiThreadOperator final : public Operator {
 public:
  explicit GuiThreadOperator(Operator& target) : target_(target) {}

  void SaveExceptionToLog(const std::string& text) override {
    OnGuiThread([&] { target_.SaveExceptionToLog(text); });
  }
  // The window's thread is free: it handles its events all the time.
  void ProcessMessages() override {}
  DialogButton MessageDlg(DialogKind kind, const std::string& text,
                          const std::vector<DialogButton>& buttons, DialogButton focus) override {
    DialogButton answer = DialogButton::Closed;
    OnGuiThread([&] { answer = target_.MessageDlg(kind, text, buttons, focus); });
    return answer;
  }
  void ShowMessage(DialogKind kind, const std::string& caption, const std::string& text) override {
    OnGuiThread([&] { target_.ShowMessage(kind, caption, text); });
  }
  void SetStatus(const std::string& text) override {
    OnGuiThread([&] { target_.SetStatus(text); });
  }

 private:
  template <typename F>
  void OnGuiThread(F call) {
    std::exception_ptr error;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] {
          try {
            call();
          } catch (...) {
            error = std::current_exception();
          }
        },
        Qt::BlockingQueuedConnection);
    if (error) std::rethrow_exception(error);
  }

  Operator& target_;
};

}  // namespace

void RunOnWorker(const std::function<void(Operator&)>& work, Operator& op) {
  GuiThreadOperator forwarding(op);
  std::exception_ptr error;
  QEventLoop loop;
  std::thread worker([&] {
    try {
      work(forwarding);
    } catch (...) {
      error = std::current_exception();
    }
    // Queued, so it is seen even when the loop has not started yet.
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  if (error) std::rethrow_exception(error);
}

}  // namespace updater

#include "platform/ui/print_progress.h"

#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <exception>
#include <thread>

#include "platform/ui/controls.h"

namespace platform::ui {

namespace {

// Only the end of the work closes it: neither Escape nor the window manager's
// close button leaves the user in front of a printer still busy.
class ProgressWindow final : public QDialog {
public:
    explicit ProgressWindow(QWidget* parent) : QDialog(parent) {
        setObjectName("ProgressWindow");
        setWindowTitle(Q("Impression"));
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        auto* layout = new QVBoxLayout(this);
        auto* text = new QLabel(Q("Impression en cours..."), this);
        layout->addWidget(text);
        // The page's rendering tells nothing of its progress: the bar only
        // shows that the program is alive.
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 0);
        bar->setTextVisible(false);
        layout->addWidget(bar);
        setFixedWidth(300);
    }

    void Finish() {
        finished_ = true;
        accept();
    }

    void reject() override {
        if (finished_) QDialog::reject();
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        if (!finished_) event->ignore();
    }

private:
    bool finished_ = false;
};

}  // namespace

void RenderWithProgress(QWidget* parent, const std::function<void()>& render) {
    ProgressWindow window(parent);
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            render();
        } catch (...) {
            failure = std::current_exception();
        }
        // Queued to the window's thread; dropped with the window should the
        // event loop have been left before (the application quitting).
        QMetaObject::invokeMethod(
            &window, [&window] { window.Finish(); }, Qt::QueuedConnection);
    });
    window.exec();
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace platform::ui

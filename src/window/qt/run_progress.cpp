#include "window/qt/run_progress.h"

#include "window/model/background_run.h"
#include "window/model/layout_table.h"

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

namespace purgix::window {

bool waitForRunFor(BackgroundRun& run, std::chrono::milliseconds limit,
                   QEventLoop::ProcessEventsFlags flags, QProgressDialog* dialog)
{
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setInterval(BackgroundRun::kPollInterval);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (dialog != nullptr) {
            dialog->setValue(run.permilleRead());
            dialog->setLabelText(QString::fromLocal8Bit(run.statusText()));
        }
        if (run.finished() || clock.elapsed() >= limit.count()) {
            loop.quit();
        }
    });
    poll.start();
    if (!run.finished()) {
        loop.exec(flags);
    }
    return run.finished();
}

QProgressDialog* newRunProgressDialog(BackgroundRun& run, QWidget* window)
{
    auto* dialog = new QProgressDialog(window);
    dialog->setObjectName(QStringLiteral("runProgress"));
    dialog->setWindowTitle(QString::fromLatin1(kApplicationTitle));
    dialog->setLabelText(QString::fromLocal8Bit(run.statusText()));
    dialog->setRange(0, 1000);
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    dialog->setWindowModality(Qt::NonModal);
    // The dialog's own button: a second one would leave two Esc shortcuts, and neither
    // would act.
    dialog->setCancelButtonText(QStringLiteral("Cancel"));
    auto* cancel = dialog->findChild<QPushButton*>();
    // Cancel, Esc and the close box all report canceled.
    QObject::connect(dialog, &QProgressDialog::canceled, dialog, [&run, cancel] {
        cancel->setEnabled(false);
        run.cancel();
    });
    return dialog;
}

} // namespace purgix::window

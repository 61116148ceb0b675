#pragma once

#include <QEventLoop>

#include <chrono>

class QProgressDialog;
class QWidget;

namespace purgix::window {

class BackgroundRun;

// Takes events of the kinds `flags` allows until `run` has finished or `limit` has passed,
// moving `dialog`'s bar, when there is one, as the run reads. True when the run finished.
bool waitForRunFor(BackgroundRun& run, std::chrono::milliseconds limit,
                   QEventLoop::ProcessEventsFlags flags, QProgressDialog* dialog = nullptr);

// The progress dialog of a long run over `window`: captioned "Purgix", the file's name,
// a bar of the bytes read and Cancel, which asks the run to stop. It is not modal, so
// that a close request for the window still reaches it and waits for the run's end.
QProgressDialog* newRunProgressDialog(BackgroundRun& run, QWidget* window);

} // namespace purgix::window

#include "qt_toolkit.h"

#include <QApplication>
#include <QInputEvent>
#include <QMessageBox>
#include <QStyleHints>

// Watches the application's events for the time stamp of the input event
// being delivered: a button's click is emitted while its mouse release (or
// key release) is delivered, so that stamp is when the operator made the
// click, even when the event waited in the window system while a handler
// blocked.
class InputTimes : public QObject
{
public:
    qint64 lastInputMs = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            lastInputMs = qint64(static_cast<QInputEvent*>(event)->timestamp());
            break;
        case QEvent::MetaCall:
        case QEvent::Timer:
            // A click made by a queued call or a timer has no input event.
            lastInputMs = -1;
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
};

QtToolkit::QtToolkit() : m_inputTimes(std::make_unique<InputTimes>()) {}

QtToolkit::~QtToolkit() = default;

void QtToolkit::setWindow(QWidget* window)
{
    m_window = window;
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->removeEventFilter(m_inputTimes.get());
        application->installEventFilter(m_inputTimes.get());
    }
}

void QtToolkit::messageBox(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("ZentoIEC"), text, QMessageBox::Ok,
                    m_window);
    // A reply field or a file name holding markup is shown as the characters
    // it is.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtToolkit::dispatchEvents()
{
    // Posted events first (a queued click), then what the window system holds.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtToolkit::setMousePointer(MousePointer pointer)
{
    if (!m_window)
        return;
    if (pointer == MousePointer::Hourglass)
        m_window->setCursor(Qt::WaitCursor);
    else
        m_window->unsetCursor();
}

int QtToolkit::doubleClickIntervalMs() const
{
    return QGuiApplication::styleHints()->mouseDoubleClickInterval();
}

qint64 QtToolkit::clickMadeAtMs() const
{
    return m_inputTimes->lastInputMs;
}

#include "qt_toolkit.h"

#include <QApplication>
#include <QMessageBox>

void QtToolkit::setWindow(QWidget* window)
{
    m_window = window;
}

void QtToolkit::messageBox(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("ZentoIEC"), text, QMessageBox::Ok,
                    m_window);
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

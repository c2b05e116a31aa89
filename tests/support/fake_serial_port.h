#pragma once

#include "com_ports.h"
#include "serial_port.h"
#include "virtual_clock.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <functional>

// The fake devices behind the port options: Com n is "/dev/faken".
inline QString fakeComDevice(qint16 number)
{
    return QStringLiteral("/dev/fake%1").arg(number);
}
inline ComDevices fakeComDevices()
{
    ComDevices devices;
    for (qint16 number = 1; number <= 4; ++number)
        devices.setDevice(number, fakeComDevice(number));
    return devices;
}
// The Com number of a fake device ("/dev/fake3": 3); 0 for any other.
inline int fakeComNumber(const QString& device)
{
    return device.startsWith(QLatin1String("/dev/fake")) ? device.mid(9).toInt() : 0;
}

// A scripted serial port on the virtual clock. Everything written is kept
// with the time it was written; replies are scheduled by a responder that
// sees each complete line the code sends, and arrive at their virtual time.
class FakeSerialPort : public SerialPort
{
public:
    struct Written
    {
        qint64 atMs;
        QByteArray bytes;
    };
    // Called with each complete line written (without CR LF).
    using Responder = std::function<void(const QByteArray& line)>;

    explicit FakeSerialPort(VirtualClock& clock) : m_clock(clock) {}

    void setDevice(const QString& device) override { m_device = device; }
    QString deviceName() const override { return m_device; }

    bool portOpen() const override { return m_open; }
    Outcome open() override
    {
        events << QStringLiteral("open %1").arg(fakeComNumber(m_device));
        if (!openFailure.isEmpty())
            return Outcome::failed(openFailure);
        m_open = true;
        m_fault.clear();
        m_pending.clear();
        return Outcome::ok();
    }
    void close() override
    {
        if (m_open)
            events << QStringLiteral("close");
        m_open = false;
    }

    Outcome output(const QByteArray& bytes) override
    {
        if (!m_open)
            return Outcome::failed(QStringLiteral("the port is not open"));
        if (!m_fault.isEmpty())
            return Outcome::failed(m_fault);
        if (writesBeforeFailure == 0) {
            m_fault = QStringLiteral("the device refused the data");
            return Outcome::failed(m_fault);
        }
        if (writesBeforeFailure > 0)
            --writesBeforeFailure;
        written.append({m_clock.nowMs(), bytes});
        wire += bytes;
        events << QStringLiteral("out ") + QString::fromLatin1(bytes);
        m_partial += bytes;
        qsizetype end;
        while ((end = m_partial.indexOf("\r\n")) >= 0) {
            const QByteArray line = m_partial.left(end);
            m_partial.remove(0, end + 2);
            if (responder)
                responder(line);
        }
        return Outcome::ok();
    }

    QByteArray input() override
    {
        QByteArray arrived;
        while (!m_pending.isEmpty() && m_pending.first().atMs <= m_clock.nowMs())
            arrived += m_pending.takeFirst().bytes;
        ++reads;
        return arrived;
    }

    bool waitForInput(int timeoutMs) override
    {
        if (!m_open || !m_fault.isEmpty())
            return false;
        const qint64 deadline = m_clock.nowMs() + timeoutMs;
        if (!m_pending.isEmpty() && m_pending.first().atMs <= deadline) {
            m_clock.advanceTo(m_pending.first().atMs);
            return true;
        }
        m_clock.advanceTo(deadline);
        return false;
    }

    void setInputWanted(bool wanted) override { inputWanted = wanted; }

    QString fault() const override { return m_fault; }

    // Bytes that arrive `afterMs` from now, after everything already sent.
    void deliver(const QByteArray& bytes, int afterMs = 0)
    {
        qint64 at = m_clock.nowMs() + afterMs;
        if (!m_pending.isEmpty())
            at = std::max(at, m_pending.last().atMs);
        m_pending.append({at, bytes});
    }
    // The line dies: every later write fails and nothing more arrives.
    void breakLine(const QString& reason)
    {
        m_fault = reason;
        m_pending.clear();
    }

    // What the code wrote, in order.
    QByteArray wire;
    QList<Written> written;
    // "open N", "out <bytes>", "close", in order.
    QStringList events;
    int reads = 0;
    bool inputWanted = false;
    Responder responder;
    // A non-empty reason makes open() fail with it.
    QString openFailure;
    // Writes accepted before the line refuses them; -1: never refuse.
    int writesBeforeFailure = -1;

private:
    VirtualClock& m_clock;
    QString m_device;
    bool m_open = false;
    QString m_fault;
    QByteArray m_partial;
    QList<Written> m_pending;
};

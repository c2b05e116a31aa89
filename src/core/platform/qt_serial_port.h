#pragma once

#include "serial_port.h"

#include <QSerialPort>

// SerialPort over Qt's QSerialPort at 19200 baud, 8 data bits, no parity,
// 1 stop bit, no flow control.
//
// QSerialPort is built for an event loop; the handlers block the window's
// thread instead, so this adapter drives it synchronously: write() only
// buffers, so output() waits until the bytes have left; readAll() sees new
// bytes only after waitForReadyRead() has polled the device; close() would drop
// unwritten bytes, so close() drains first.
//
// Memory stays bounded whatever the analyzer sends: QSerialPort buffers at most
// kReadBufferBytes (it stops reading the device while that is full, and resumes
// once it is read). While input is not wanted, what the window's event loop
// sees arrive is discarded at once, together with what waits in the driver;
// while a handler blocks, the driver's own bounded queue holds it until
// setInputWanted(true) discards it. A line that fails (hang-up, device gone,
// write refused) is closed at once, without waiting for output to drain.
class QtSerialPort : public SerialPort
{
public:
    QtSerialPort();
    ~QtSerialPort() override;

    void setDevice(const QString& device) override;
    QString deviceName() const override;

    bool portOpen() const override;
    Outcome open() override;
    void close() override;

    Outcome output(const QByteArray& bytes) override;
    QByteArray input() override;
    bool waitForInput(int timeoutMs) override;
    void setInputWanted(bool wanted) override;

    QString fault() const override;

    // The most input() returns at once and QSerialPort holds, in bytes.
    static constexpr qint64 kReadBufferBytes = 64 * 1024;

private:
    void noteFault();
    void onError(QSerialPort::SerialPortError error);
    void releaseFailedLine();
    void discardInput();
    QString describeError() const;

    QSerialPort m_port;
    QString m_device;
    bool m_inputWanted = false;
    bool m_polling = false; // input() or waitForInput() is reading the device
    QString m_fault;
};

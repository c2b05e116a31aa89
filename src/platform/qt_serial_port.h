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
class QtSerialPort : public SerialPort
{
public:
    QtSerialPort();
    ~QtSerialPort() override;

    void setCommPort(qint16 number) override;
    qint16 commPort() const override;
    QString deviceName() const override;

    bool portOpen() const override;
    Outcome open() override;
    void close() override;

    Outcome output(const QByteArray& bytes) override;
    QByteArray input() override;
    bool waitForInput(int timeoutMs) override;
    void setInputWanted(bool wanted) override;

    QString fault() const override;

private:
    void noteFault();
    QString describeError() const;

    QSerialPort m_port;
    qint16 m_commPort = 0;
    bool m_inputWanted = false;
    QString m_fault;
};

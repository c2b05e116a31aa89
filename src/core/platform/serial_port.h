#pragma once

#include "outcome.h"

#include <QByteArray>
#include <QString>

// The serial-port service the window's control `SerialCom` stands for.
// The link settings (19200 baud, 8 data bits, no parity, 1 stop bit) are fixed
// by the adapter; only the device changes at run time.
//
// Every call returns promptly and runs on the window's thread; none of them
// dispatches window events, so they work while a handler blocks.
class SerialPort
{
public:
    virtual ~SerialPort() = default;

    // The device the next open uses ("/dev/ttyS0", "COM1", a USB adapter or
    // a pseudo-terminal): a face resolves its port choice to it. Written only
    // while the port is closed.
    virtual void setDevice(const QString& device) = 0;
    // The device set last, for messages to the operator.
    virtual QString deviceName() const = 0;

    // Whether the port is open.
    virtual bool portOpen() const = 0;
    // Opens the port. Anything left waiting from an earlier use of the device
    // is discarded, so the first Input returns only what arrives afterwards.
    virtual Outcome open() = 0;
    // Closes the port. Waits until every byte already written has left, so a
    // command written just before the close still reaches the analyzer.
    virtual void close() = 0;

    // Output: the bytes are on the line when the call returns.
    virtual Outcome output(const QByteArray& bytes) = 0;
    // Input: every byte received and not yet read, removed from the receive
    // buffer; empty when nothing has arrived.
    virtual QByteArray input() = 0;
    // Blocks (sleeping, not spinning) until at least one unread byte is
    // waiting or timeoutMs has passed. True if bytes are waiting.
    virtual bool waitForInput(int timeoutMs) = 0;

    // Whether a measurement cycle waits for what the analyzer sends. While
    // false (after open() and until the cycle says otherwise) input is
    // discarded as it arrives, so an analyzer that talks while the tool is
    // idle fills no buffer. Set true from the trigger until the reply is
    // read.
    virtual void setInputWanted(bool wanted) = 0;

    // Why the open line failed (device gone, write refused); empty while it
    // works. Cleared by the next open().
    virtual QString fault() const = 0;
};

#pragma once

#include <QSerialPort>
#include <QString>

#include <sys/wait.h>
#include <unistd.h>

// Another program holding a serial device, the way serial programs do (lock
// file and exclusive open), for as long as this object lives.
class DeviceHolder
{
public:
    explicit DeviceHolder(const QString& device)
    {
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(m_release) != 0)
            return;
        m_child = ::fork();
        if (m_child == 0) {
            QSerialPort other;
            other.setPortName(device);
            const char opened = other.open(QIODevice::ReadWrite) ? '1' : '0';
            (void)!::write(ready[1], &opened, 1);
            char done;
            (void)!::read(m_release[0], &done, 1);
            ::_exit(0);
        }
        char opened = '0';
        m_holding = m_child > 0 && ::read(ready[0], &opened, 1) == 1 && opened == '1';
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~DeviceHolder() { release(); }
    DeviceHolder(const DeviceHolder&) = delete;
    DeviceHolder& operator=(const DeviceHolder&) = delete;

    // Whether the other program managed to open the device.
    bool holding() const { return m_holding; }

    void release()
    {
        if (m_child <= 0)
            return;
        (void)!::write(m_release[1], "x", 1);
        ::waitpid(m_child, nullptr, 0);
        ::close(m_release[0]);
        ::close(m_release[1]);
        m_child = -1;
        m_holding = false;
    }

private:
    pid_t m_child = -1;
    int m_release[2] = {-1, -1};
    bool m_holding = false;
};

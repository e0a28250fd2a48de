#pragma once
// The WITS feed's serial side: frames written to a serial line, 8 data bits, no parity, one stop bit, no
// flow control. A line that cannot take the frames as fast as they come loses the backlog rather than
// growing it; a device that goes away is opened again at the next frame.

#include <QSerialPort>

#include <functional>
#include <string>

class WitsSerial : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 backlog_limit = 4096;

    WitsSerial(const QString& device, qint32 baud, QObject* parent = nullptr);

    bool open(); // false with error() saying why
    QString error() const { return port_.errorString(); }
    void send(const QByteArray& frame);

    std::function<void(const std::string&)> on_log;

private:
    void log(const std::string& line);

    QSerialPort port_;
    qint32 baud_;
    bool behind_ = false; // the backlog was dropped at the last frame (logged once)
};

#include "tools/wits/WitsSerial.h"

WitsSerial::WitsSerial(const QString& device, qint32 baud, QObject* parent) : QObject(parent), baud_(baud) {
    port_.setPortName(device);
    connect(&port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError && port_.isOpen()) {
            log("serial port " + port_.portName().toStdString() + " lost: " + port_.errorString().toStdString());
            port_.close();
        }
    });
}

bool WitsSerial::open() {
    if (!port_.open(QIODevice::WriteOnly))
        return false;
    const bool set = port_.setBaudRate(baud_) && port_.setDataBits(QSerialPort::Data8) &&
                     port_.setParity(QSerialPort::NoParity) && port_.setStopBits(QSerialPort::OneStop) &&
                     port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!set)
        port_.close();
    return set;
}

void WitsSerial::send(const QByteArray& frame) {
    if (!port_.isOpen()) {
        if (!open())
            return;
        log("serial port " + port_.portName().toStdString() + " open again");
    }
    const bool behind = port_.bytesToWrite() + frame.size() > backlog_limit;
    if (behind) {
        if (!behind_)
            log("serial port " + port_.portName().toStdString() + " cannot keep up: its backlog is dropped");
        port_.clear(QSerialPort::Output);
    }
    behind_ = behind;
    port_.write(frame);
}

void WitsSerial::log(const std::string& line) {
    if (on_log)
        on_log(line);
}

#include "scanner/serialcollector.h"

#include <QSerialPort>

SerialCollector::SerialCollector(QObject *parent) : QObject(parent), m_port(new QSerialPort(this))
{
    connect(m_port, &QSerialPort::readyRead, this, &SerialCollector::readAvailable);
    connect(m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        // A line that went away (adapter pulled out, the other end closed)
        // fails every read from then on, as fast as the loop can ask: keep
        // what came, close, and let the next import open it afresh.
        if ((error == QSerialPort::ResourceError || error == QSerialPort::ReadError)
            && m_port->isOpen()) {
            readAvailable();
            m_port->close();
        }
    });
}

SerialCollector::~SerialCollector() = default;

bool SerialCollector::open(const QString &device, QString *reason)
{
    if (m_port->isOpen())
        return true;
    m_device = device;
    m_port->setPortName(device);
    // 9600,N,8,1
    m_port->setBaudRate(QSerialPort::Baud9600);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (m_port->open(QIODevice::ReadOnly)) {
        m_port->clearError();
        return true;
    }
    if (reason)
        *reason = m_port->errorString();
    m_port->clearError();
    return false;
}

bool SerialCollector::isOpen() const
{
    return m_port->isOpen();
}

void SerialCollector::close()
{
    if (m_port->isOpen()) {
        readAvailable();
        m_port->close();
    }
}

QByteArray SerialCollector::take()
{
    if (m_port->isOpen())
        readAvailable();
    QByteArray out;
    out.swap(m_received);
    return out;
}

void SerialCollector::readAvailable()
{
    const QByteArray bytes = m_port->readAll();
    if (bytes.isEmpty())
        return;
    m_received += bytes;
    emit received();
}

void SerialCollector::discard()
{
    if (m_port->isOpen()) {
        m_port->readAll();
        m_port->clear(QSerialPort::Input);
        m_port->clearError();
    }
    m_received.clear();
}

QString SerialCollector::lineSettings() const
{
    if (!isOpen())
        return QString();
    const char parity = m_port->parity() == QSerialPort::NoParity ? 'N'
                        : m_port->parity() == QSerialPort::EvenParity ? 'E'
                        : m_port->parity() == QSerialPort::OddParity  ? 'O'
                                                                     : '?';
    return QStringLiteral("%1,%2,%3,%4%5")
        .arg(m_port->baudRate())
        .arg(QLatin1Char(parity))
        .arg(int(m_port->dataBits()))
        .arg(m_port->stopBits() == QSerialPort::OneStop ? 1 : 2)
        .arg(m_port->flowControl() == QSerialPort::NoFlowControl ? QString() : QStringLiteral(" flow control"));
}

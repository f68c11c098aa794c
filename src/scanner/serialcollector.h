#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;

// Listens on the scanner's serial line, "9600,N,8,1" without flow control,
// and keeps every byte that arrives while the port is open, however much,
// until it is taken. Receiving goes on in the event loop; nothing is ever
// sent to the scanner.
class SerialCollector : public QObject
{
    Q_OBJECT
public:
    explicit SerialCollector(QObject *parent = nullptr);
    ~SerialCollector() override;

    // Opens the device unless the port is open already (then the open port
    // is kept, whatever the device). False with the reason when it cannot.
    bool open(const QString &device, QString *reason);
    bool isOpen() const;
    // The device of the open port, or of the last attempt.
    QString device() const { return m_device; }
    void close();
    // The line as the open port is set up, as "9600,N,8,1"; empty when closed.
    QString lineSettings() const;

    // Everything received and not yet taken; the store is empty afterwards.
    QByteArray take();
    qsizetype pending() const { return m_received.size(); }
    // Drops everything received and not yet taken, and what waits in the
    // port: what is left of an earlier transfer.
    void discard();

signals:
    // Bytes arrived.
    void received();

private:
    void readAvailable();

    QSerialPort *m_port = nullptr;
    QString m_device;
    QByteArray m_received;
};

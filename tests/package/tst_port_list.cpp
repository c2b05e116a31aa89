#include "port_list.h"
#include "pty_pair.h"

#include <QJsonObject>
#include <QTest>

class TestPortList : public QObject
{
    Q_OBJECT

private slots:
    void comOptionsBesideTheSystemList();
    void noPortAtAll();
    void jsonFields();
};

void TestPortList::comOptionsBesideTheSystemList()
{
    PtyPair pty;
    if (!pty.error().isEmpty())
        QSKIP(qPrintable(pty.error()));
    PortEntry usb;
    usb.device = QStringLiteral("/dev/ttyUSB7");
    usb.description = QStringLiteral("FT232R USB UART");
    const QString missing = QStringLiteral("/nonexistent/ttyS3");
    const auto comDevice = [&](int number) {
        switch (number) {
        case 1:
        case 3:
            return pty.slavePath();
        case 2:
            return QStringLiteral("ttyUSB7");
        default:
            return missing;
        }
    };

    const QList<PortEntry> entries = listPorts(QList<PortEntry>{usb}, comDevice);
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries[0].device, QStringLiteral("/dev/ttyUSB7"));
    QCOMPARE(entries[0].comOptions, QStringList{QStringLiteral("Com 2")});
    QVERIFY(entries[0].listedBySystem);
    QCOMPARE(entries[1].device, pty.slavePath());
    QCOMPARE(entries[1].comOptions,
             (QStringList{QStringLiteral("Com 1"), QStringLiteral("Com 3")}));
    QVERIFY(!entries[1].listedBySystem);
    QVERIFY(entries[1].present);
    QCOMPARE(entries[2].device, missing);
    QVERIFY(!entries[2].present);

    const QString text = portsText(entries);
    QVERIFY2(text.contains(QRegularExpression(QRegularExpression::escape(pty.slavePath()) +
                                              QStringLiteral(" +Com 1, Com 3 +not listed"))),
             qPrintable(text));
    QVERIFY2(
        text.contains(QRegularExpression(QStringLiteral("/nonexistent/ttyS3 +Com 4 +missing"))),
        qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("No serial ports found.")));
}

void TestPortList::noPortAtAll()
{
    const auto missingDevices = [](int number) {
        return QStringLiteral("/nonexistent/ttyS%1").arg(number - 1);
    };
    const QList<PortEntry> entries = listPorts(QList<QSerialPortInfo>{}, missingDevices);
    QCOMPARE(entries.size(), 4);
    const QString text = portsText(entries);
    for (int number = 1; number <= 4; ++number) {
        const QString line =
            QStringLiteral("/nonexistent/ttyS%1 +Com %2 +missing: no such device\n")
                .arg(number - 1)
                .arg(number);
        QVERIFY2(text.contains(QRegularExpression(line)), qPrintable(text));
    }
    QVERIFY2(text.endsWith(QStringLiteral("\nNo serial ports found.\n")), qPrintable(text));

    const QList<PortEntry> none =
        listPorts(QList<QSerialPortInfo>{}, [](int) { return QString(); });
    QVERIFY(none.isEmpty());
    QCOMPARE(portsText(none), QStringLiteral("No serial ports found.\n"));
}

void TestPortList::jsonFields()
{
    PortEntry usb;
    usb.device = QStringLiteral("/dev/ttyUSB0");
    usb.description = QStringLiteral("FT232R USB UART");
    usb.manufacturer = QStringLiteral("FTDI");
    usb.vendorId = 0x0403;
    usb.productId = 0x6001;
    usb.comOptions = {QStringLiteral("Com 1")};
    usb.listedBySystem = true;
    PortEntry pts;
    pts.device = QStringLiteral("/dev/pts/4");
    pts.comOptions = {QStringLiteral("Com 2"), QStringLiteral("Com 4")};

    const QJsonArray array = portsJson({usb, pts});
    QCOMPARE(array.size(), 2);
    const QJsonObject first = array[0].toObject();
    QCOMPARE(first[QStringLiteral("device")].toString(), usb.device);
    QCOMPARE(first[QStringLiteral("description")].toString(), usb.description);
    QCOMPARE(first[QStringLiteral("manufacturer")].toString(), usb.manufacturer);
    QCOMPARE(first[QStringLiteral("vendor_id")].toString(), QStringLiteral("0403"));
    QCOMPARE(first[QStringLiteral("product_id")].toString(), QStringLiteral("6001"));
    QCOMPARE(first[QStringLiteral("com_options")].toArray(), QJsonArray{QStringLiteral("Com 1")});
    const QJsonObject second = array[1].toObject();
    QVERIFY(second[QStringLiteral("vendor_id")].isNull());
    QVERIFY(second[QStringLiteral("product_id")].isNull());
    QCOMPARE(second[QStringLiteral("com_options")].toArray(),
             (QJsonArray{QStringLiteral("Com 2"), QStringLiteral("Com 4")}));
    QCOMPARE(second[QStringLiteral("listed_by_system")].toBool(), false);
}

QTEST_GUILESS_MAIN(TestPortList)
#include "tst_port_list.moc"

#include "device_access.h"

#include <QTemporaryFile>
#include <QTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

class TestDeviceAccess : public QObject
{
    Q_OBJECT

private slots:
    void hintText_data();
    void hintText();
    void hintForFiles();
};

void TestDeviceAccess::hintText_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("groupMayReadWrite");
    QTest::addColumn<QString>("expected");
    QTest::newRow("known user")
        << "dialout"
        << "alice" << true
        << "/dev/ttyUSB0 belongs to the group \"dialout\"; add yourself with \"sudo usermod -aG "
           "dialout alice\" and log in again.";
    QTest::newRow("unknown user")
        << "uucp"
        << "" << true
        << "/dev/ttyUSB0 belongs to the group \"uucp\"; add yourself with \"sudo usermod -aG "
           "uucp $USER\" and log in again.";
    QTest::newRow("group without read-write")
        << "root"
        << "alice" << false
        << "/dev/ttyUSB0 may not be read and written by its group \"root\"; ask the "
           "administrator for access to it.";
}

void TestDeviceAccess::hintText()
{
    QFETCH(QString, group);
    QFETCH(QString, user);
    QFETCH(bool, groupMayReadWrite);
    QFETCH(QString, expected);
    QCOMPARE(permissionHintText(QStringLiteral("/dev/ttyUSB0"), group, user, groupMayReadWrite),
             expected);
}

void TestDeviceAccess::hintForFiles()
{
    QCOMPARE(permissionHint(QStringLiteral("/nonexistent/ttyUSB9")), QString());

    QTemporaryFile file;
    QVERIFY(file.open());
    QCOMPARE(permissionHint(file.fileName()), QString());

    // Read-only for its owner: only a user who may open anything (root) can
    // still open it read-write.
    QVERIFY(file.setPermissions(QFileDevice::ReadOwner));
    const QString hint = permissionHint(file.fileName());
    if (::geteuid() == 0) {
        QCOMPARE(hint, QString());
    } else {
        struct stat status
        {
        };
        QCOMPARE(::stat(file.fileName().toLocal8Bit().constData(), &status), 0);
        const QString group = QString::fromLocal8Bit(::getgrgid(status.st_gid)->gr_name);
        QVERIFY2(hint.startsWith(file.fileName()) && hint.contains('"' + group + '"'),
                 qPrintable(hint));
    }
}

QTEST_GUILESS_MAIN(TestDeviceAccess)
#include "tst_device_access.moc"

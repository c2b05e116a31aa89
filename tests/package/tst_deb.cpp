#include "package_check.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestDeb : public QObject
{
    Q_OBJECT

private slots:
    void packageFieldsAndFiles();
};

void TestDeb::packageFieldsAndFiles()
{
    QTemporaryDir output;
    QVERIFY(output.isValid());
    const ToolRun cpack = runTool(
        QStringLiteral(CPACK_COMMAND),
        {"-G", "DEB", "--config", IEC1000_BINARY_DIR "/CPackConfig.cmake", "-B", output.path()}, {},
        240000);
    QVERIFY2(cpack.exitCode == 0, qPrintable(cpack.out + cpack.err));

    const ToolRun arch = runTool(QStringLiteral("dpkg"), {"--print-architecture"});
    QCOMPARE(arch.exitCode, 0);
    const QString architecture = arch.out.trimmed();
    const QString deb = QDir(output.path())
                            .filePath(QStringLiteral("iec1000_%1_%2.deb")
                                          .arg(QLatin1String(IEC1000_VERSION), architecture));
    QVERIFY2(QFile::exists(deb), qPrintable(QDir(output.path()).entryList().join(' ')));

    const auto field = [&](const QString& name) {
        const ToolRun run = runTool(QStringLiteral("dpkg-deb"), {"-f", deb, name});
        return run.exitCode == 0 ? run.out.trimmed() : QStringLiteral("<dpkg-deb failed>");
    };
    QCOMPARE(field("Package"), QStringLiteral("iec1000"));
    QCOMPARE(field("Version"), QStringLiteral(IEC1000_VERSION));
    QCOMPARE(field("Architecture"), architecture);
    QVERIFY(!field("Maintainer").isEmpty());
    QVERIFY(!field("Section").isEmpty());
    QVERIFY(!field("Description").isEmpty());
    const QString depends = field("Depends");
    // The window module's and the commands module's libraries too.
    for (const QString package : {"libqt6widgets6", "libqt6sql6", "libqt6serialport6"})
        QVERIFY2(depends.contains(QRegularExpression(QStringLiteral("(^|, )%1 ").arg(package))),
                 qPrintable(depends));
    QVERIFY2(!depends.contains(QRegularExpression("-dev\\b")), qPrintable(depends));

    const ToolRun contents = runTool(QStringLiteral("dpkg-deb"), {"-c", deb});
    QCOMPARE(contents.exitCode, 0);
    QStringList files;
    for (const QString& line : contents.out.split('\n', Qt::SkipEmptyParts)) {
        const QString path = line.section(' ', -1); // no installed path has a space
        if (!path.endsWith('/'))
            files << path;
    }
    files.sort();
    QStringList expected;
    for (const QString& file : kInstalledFiles)
        expected << QStringLiteral("./usr/") + file;
    expected.sort();
    QCOMPARE(files, expected);
}

QTEST_GUILESS_MAIN(TestDeb)
#include "tst_deb.moc"

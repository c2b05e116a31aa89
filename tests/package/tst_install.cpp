#include "package_check.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installsExactlyTheFiles();
    void desktopEntryIsValid();
    void manualPageRenders_data();
    void manualPageRenders();
    void icons();
    void exampleRecordingIsJudged();

private:
    QTemporaryDir m_prefix;
};

void TestInstall::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    const ToolRun install = runTool(QStringLiteral(CMAKE_COMMAND),
                                    {"--install", IEC1000_BINARY_DIR, "--prefix", m_prefix.path()});
    QVERIFY2(install.exitCode == 0, qPrintable(install.err));
}

void TestInstall::installsExactlyTheFiles()
{
    QStringList files;
    QDirIterator it(m_prefix.path(), QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(m_prefix.path()).relativeFilePath(it.next());
    files.sort();
    QStringList expected = kInstalledFiles;
    expected.sort();
    QCOMPARE(files, expected);
}

void TestInstall::desktopEntryIsValid()
{
    const ToolRun validate =
        runTool(QStringLiteral("desktop-file-validate"),
                {m_prefix.filePath(QStringLiteral("share/applications/iec1000.desktop"))});
    QVERIFY2(validate.exitCode == 0 && validate.out.isEmpty() && validate.err.isEmpty(),
             qPrintable(validate.out + validate.err));
}

void TestInstall::manualPageRenders_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("headings");
    QTest::newRow("iec1000") << QStringLiteral("iec1000")
                             << QStringList{"NAME", "SYNOPSIS", "THE WINDOW", "COMMANDS",
                                            "EXIT STATUS", "ENVIRONMENT",
                                            "SERIAL PORT PERMISSIONS"};
    QTest::newRow("zento-sim") << QStringLiteral("zento-sim")
                               << QStringList{"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS",
                                              "EXIT STATUS"};
}

void TestInstall::manualPageRenders()
{
    QFETCH(QString, page);
    QFETCH(QStringList, headings);
    const ToolRun man = runTool(
        QStringLiteral("man"),
        {"--warnings", "-l", "-P", "cat",
         m_prefix.filePath(QStringLiteral("share/man/man1/%1.1.gz").arg(page))},
        {"MANWIDTH=80", "LC_ALL=C.UTF-8"});
    QVERIFY2(man.exitCode == 0, qPrintable(man.err));
    QCOMPARE(man.err, QString());
    for (const QString& heading : headings)
        QVERIFY2(man.out.contains(QStringLiteral("\n%1\n").arg(heading)), qPrintable(heading));
    QVERIFY(man.out.contains(QStringLiteral("iec1000 " IEC1000_VERSION)));
}

void TestInstall::icons()
{
    for (int size : {48, 128}) {
        const QImage icon(m_prefix.filePath(
            QStringLiteral("share/icons/hicolor/%1x%1/apps/iec1000.png").arg(size)));
        QCOMPARE(icon.size(), QSize(size, size));
        QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255); // the logo, not an empty square
    }
    QFile svg(m_prefix.filePath(QStringLiteral("share/icons/hicolor/scalable/apps/iec1000.svg")));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svg);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), QLatin1String("svg"));
    while (!xml.atEnd())
        xml.readNext();
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
}

// The example the README names: the installed tool judges the installed
// recording (the 3rd switching between 0.4 and 0.8 A stays within Class A).
void TestInstall::exampleRecordingIsJudged()
{
    QTemporaryDir home;
    const ToolRun run = runTool(
        m_prefix.filePath(QStringLiteral("bin/iec1000")),
        {"analyze", "--class", "A", "--volts-scale", "400", "--amps-scale", "4", "--db",
         home.filePath(QStringLiteral("records.sqlite")),
         m_prefix.filePath(QStringLiteral("share/iec1000/examples/fluctuating-third.wav"))});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY2(run.out.contains(QStringLiteral("Verdict: Pass")), qPrintable(run.out));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"


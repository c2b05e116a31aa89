#include "recording_analysis.h"
#include "waveform_synth.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

AnalysisOutcome analyze(const QString& path, const RecordingOptions& options = {})
{
    OpenedRecording opened = openRecording(path, options);
    if (auto* error = std::get_if<RecordingError>(&opened))
        return *error;
    return analyzeRecording(*std::get<std::unique_ptr<WaveformReader>>(opened));
}

WaveformDescription described(const char* text)
{
    WaveformDescription d;
    const auto error = parseDescription(text, d);
    if (error)
        qFatal("description: %s", error->c_str());
    return d;
}

// A product current with orders spread over 2..40, amperes rms.
const char* const kProduct = "volts=230 amps=2@-20 i2=0.05@10 i3=0.8@30 i5=0.5@60 i7=0.3@-45 "
                             "i11=0.15@90 i21=0.08 i39=0.05@120 i40=0.02";

} // namespace

class TestRecordingAnalysis : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString write(const WaveformDescription& d, const QString& name)
    {
        const QString path = m_dir.filePath(name);
        const auto error = writeWaveform(d, path.toStdString());
        if (error)
            qFatal("write: %s", error->c_str());
        return path;
    }
    RecordingAnalysis analysed(const QString& path, const RecordingOptions& options)
    {
        AnalysisOutcome outcome = analyze(path, options);
        if (auto* error = std::get_if<RecordingError>(&outcome))
            qFatal("refused: %s", qPrintable(error->message));
        return std::get<RecordingAnalysis>(outcome);
    }
    RecordingOptions scales(const WaveformDescription& d)
    {
        return {voltsFullScale(d), ampsFullScale(d), {}};
    }
    RecordingError refusal(const QString& path, const RecordingOptions& options = {})
    {
        AnalysisOutcome outcome = analyze(path, options);
        if (!std::holds_alternative<RecordingError>(outcome))
            qFatal("%s was not refused", qPrintable(path));
        return std::get<RecordingError>(outcome);
    }

private slots:
    void eachOrderWithinTolerance_data()
    {
        QTest::addColumn<double>("hz");
        QTest::addColumn<double>("relative");
        QTest::newRow("50 Hz") << 50.0 << 0.001;
        QTest::newRow("60 Hz") << 60.0 << 0.001;
        QTest::newRow("49.5 Hz") << 49.5 << 0.005;
        QTest::newRow("50.5 Hz") << 50.5 << 0.005;
    }
    void eachOrderWithinTolerance()
    {
        QFETCH(double, hz);
        QFETCH(double, relative);
        WaveformDescription d = described(kProduct);
        d.hz = hz;
        d.seconds = 2;
        const RecordingAnalysis a = analysed(write(d, QStringLiteral("orders.wav")), scales(d));
        QCOMPARE(a.periodsPerWindow, hz > 55 ? 12 : 10);
        QVERIFY(a.windowCount >= 9);
        std::array<double, kRecordedHarmonics> expected{};
        for (const auto& c : d.currents)
            expected[c.order - 2] = c.rms * 1000;
        for (int cell = 0; cell < kRecordedHarmonics; ++cell) {
            const double tolerance = relative * expected[cell] + 1.0;
            for (const SmoothedWindow& w : a.windows)
                QVERIFY2(std::fabs(w.harmonicsMilliamps[cell] - expected[cell]) <= tolerance,
                         qPrintable(QStringLiteral("order %1: %2 mA, expected %3 mA")
                                        .arg(cell + 2)
                                        .arg(w.harmonicsMilliamps[cell])
                                        .arg(expected[cell])));
        }
        const SmoothedWindow& last = a.windows.back();
        QVERIFY(std::fabs(last.fundamentalAmps - 2.0) <= relative * 2.0 + 0.001);
        QVERIFY(std::fabs(last.hz - hz) < 0.01);
        QVERIFY(std::fabs(last.volts - 230.0) < 0.1);
        // P = V1 I1 cos(20 deg): the voltage carries no harmonics.
        QVERIFY(std::fabs(last.watts - 230 * 2 * std::cos(20 * M_PI / 180)) < 0.5);
        // 49.5 and 50.5 Hz are 1 % from 50 Hz, outside the test supply's 0.5 %.
        QCOMPARE(a.supply.warning.contains(QStringLiteral("frequency")), hz == 49.5 || hz == 50.5);
    }

    void switchingThirdHarmonicIsSmoothedFirstOrder()
    {
        WaveformDescription d = described("volts=230 amps=2 switch=3:0.4:0.8:5 seconds=16.01");
        const RecordingAnalysis a = analysed(write(d, QStringLiteral("switch.wav")), scales(d));
        // By hand: the 3rd harmonic is 0.4 A for 5 s, 0.8 A for 5 s, ...; each
        // 200 ms window moves the smoothed value by 1 - exp(-0.2 / 1.5) of the
        // way, the first window starting the filter.
        const double alpha = 1 - std::exp(-0.2 / 1.5);
        double smoothed = 0, highest = 0;
        QCOMPARE(a.windowCount, qint64(80));
        for (qint64 k = 0; k < a.windowCount; ++k) {
            const double raw = (k / 25) % 2 == 0 ? 400.0 : 800.0;
            smoothed = k == 0 ? raw : smoothed + alpha * (raw - smoothed);
            highest = std::max(highest, smoothed);
            const float got = a.windows[std::size_t(k)].harmonicsMilliamps[1];
            QVERIFY2(std::fabs(got - smoothed) <= 0.001 * smoothed + 1.0,
                     qPrintable(QStringLiteral("window %1: %2 mA, by hand %3 mA")
                                    .arg(k)
                                    .arg(got)
                                    .arg(smoothed)));
        }
        QVERIFY(std::fabs(a.maximumMilliamps[1] - highest) <= 0.001 * highest + 1.0);
    }

    void groupGathersTheSidebandsOfAFluctuatingOrder()
    {
        // The 3rd harmonic is 0 A for 100 ms and 0.8 A for the next 100 ms in
        // every window: a 0.4 A line at 150 Hz with sidebands every 5 Hz (a
        // square wave's, energy 1.28 / (pi^2 k^2) A^2 for odd k). The group
        // holds the lines up to k = 3 whole and those of k = 5 half.
        WaveformDescription d = described("volts=230 amps=2 switch=3:0:0.8:0.1 seconds=1.01");
        const RecordingAnalysis a = analysed(write(d, QStringLiteral("sidebands.wav")), scales(d));
        const double group =
            1000 * std::sqrt(0.16 + 1.28 / (M_PI * M_PI) * (1 + 1.0 / 9 + 1.0 / 50));
        QVERIFY2(std::fabs(a.windows.back().harmonicsMilliamps[1] - group) <= 0.001 * group + 1,
                 qPrintable(QStringLiteral("%1 mA, the group is %2 mA")
                                .arg(a.windows.back().harmonicsMilliamps[1])
                                .arg(group)));
    }

    void formatsGiveTheSameResult()
    {
        WaveformDescription d = described(kProduct);
        d.seconds = 1.2;
        d.rate = 10000;
        const RecordingAnalysis wav = analysed(write(d, QStringLiteral("same.wav")), scales(d));
        const RecordingAnalysis csv = analysed(write(d, QStringLiteral("same.csv")), {});
        const RecordingAnalysis ascii = analysed(write(d, QStringLiteral("same.cfg")), {});
        d.comtradeBinary = true;
        const RecordingAnalysis binary = analysed(write(d, QStringLiteral("bin.cfg")), {});
        for (const RecordingAnalysis* other : {&csv, &ascii, &binary}) {
            QCOMPARE(other->windowCount, wav.windowCount);
            QVERIFY(std::fabs(other->maximumWatts - wav.maximumWatts) < 0.5);
            for (int cell = 0; cell < kRecordedHarmonics; ++cell)
                QVERIFY2(std::fabs(other->maximumMilliamps[cell] - wav.maximumMilliamps[cell]) <=
                             0.001 * wav.maximumMilliamps[cell] + 1.0,
                         qPrintable(QStringLiteral("order %1").arg(cell + 2)));
        }
        QCOMPARE(ascii.voltageChannel, QStringLiteral("Voltage"));
    }

    void comtradeChannelsChosenByName()
    {
        WaveformDescription d = described("volts=230 amps=2 i3=0.5 seconds=0.5");
        const QString path = write(d, QStringLiteral("named.cfg"));
        const RecordingAnalysis a = analysed(path, {1, 1, QStringLiteral("voltage,2")});
        QVERIFY(std::fabs(a.maximumMilliamps[1] - 500) < 1.5);
        QCOMPARE(refusal(path, {1, 1, QStringLiteral("Voltage,Neutral")}).fault,
                 RecordingFault::NoSuchChannel);
    }

    void damagedFileIsRefused()
    {
        const QString path = m_dir.filePath(QStringLiteral("noise.wav"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        const RecordingError e = refusal(path);
        QCOMPARE(e.fault, RecordingFault::Unreadable);
        QVERIFY(e.message.startsWith(QStringLiteral("noise.wav: ")));
    }

    void singleChannelIsRefused()
    {
        const QString path = m_dir.filePath(QStringLiteral("mono.cfg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("rec,dev,1999\n1,1A,0D\n1,U,,,V,1,0,0,-32767,32767,1,1,P\n50\n1\n25600,10\n"
                   "01/01/2026,00:00:00\n01/01/2026,00:00:00\nASCII\n1\n");
        file.close();
        QCOMPARE(refusal(path).fault, RecordingFault::SingleChannel);
    }

    void lowSampleRateIsRefused()
    {
        WaveformDescription d = described("rate=4000 seconds=1");
        const RecordingError e = refusal(write(d, QStringLiteral("slow.wav")));
        QCOMPARE(e.fault, RecordingFault::SampleRateTooLow);
        QVERIFY(e.message.contains(QStringLiteral("the 40th harmonic cannot be resolved")));
    }

    void clippingNamesChannelAndTime()
    {
        // A 2 A current (2.83 A peak) into a 2.5 A full scale.
        WaveformDescription d = described("amps=2 seconds=1 ascale=2.5");
        const RecordingError e = refusal(write(d, QStringLiteral("clip.wav")), scales(d));
        QCOMPARE(e.fault, RecordingFault::Clipped);
        QVERIFY(e.invalidatesResult());
        QVERIFY2(e.message.contains(QStringLiteral("\"channel 2\"")), qPrintable(e.message));
        QVERIFY2(e.message.contains(QStringLiteral("at 0.00")), qPrintable(e.message));
    }

    void truncatedFileKeepsItsWholeWindows()
    {
        WaveformDescription d = described("amps=2 i3=0.5 seconds=3 rate=10000");
        const QString path = write(d, QStringLiteral("cut.wav"));
        QFile file(path);
        QVERIFY(file.resize(44 + 6 * 10000)); // the header and 1 s of 24-bit stereo
        const RecordingAnalysis a = analysed(path, scales(d));
        QVERIFY(a.incomplete);
        QCOMPARE(a.windowCount, qint64(4)); // 0..0.8 s; 0.8..1.0 s needs the crossing at 1.0 s
        QVERIFY(std::fabs(a.maximumMilliamps[1] - 500) < 1.5);
    }

    void csvNonNumberNamesItsLine()
    {
        const QString path = m_dir.filePath(QStringLiteral("bad.csv"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Current,TIME,voltage,probe\n");
        for (int n = 0; n < 20; ++n)
            file.write(QStringLiteral("%1,%2,%3,0\n")
                           .arg(n == 12 ? QStringLiteral("1.2.3") : QStringLiteral("0.5"))
                           .arg(n * 1e-4)
                           .arg(n)
                           .toLatin1());
        file.close();
        const RecordingError e = refusal(path);
        QCOMPARE(e.fault, RecordingFault::BadNumber);
        QVERIFY2(e.message.startsWith(QStringLiteral("bad.csv: line 14: \"1.2.3\"")),
                 qPrintable(e.message));
    }

    void csvUnevenStepNamesItsLine()
    {
        const QString path = m_dir.filePath(QStringLiteral("uneven.csv"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("time,voltage,current\n");
        for (int n = 0; n < 20; ++n)
            file.write(QStringLiteral("%1,1,0.5\n").arg(n * 1e-4 + (n >= 9 ? 2e-7 : 0)).toLatin1());
        file.close();
        const RecordingError e = refusal(path);
        QCOMPARE(e.fault, RecordingFault::UnevenTimeStep);
        QVERIFY2(e.message.startsWith(QStringLiteral("uneven.csv: line 11: ")),
                 qPrintable(e.message));
    }

    void frequencyOutsideRangeIsRefused_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("named");
        QTest::newRow("40 Hz from the start") << "hz=40 seconds=1"
                                              << "at 0.0000 s: fundamental 40.00 Hz";
        // 50 Hz drifting to 38 Hz in 2 s passes 45 Hz at 0.83 s.
        QTest::newRow("drifting below 45 Hz") << "hz=50 hz_end=38 seconds=2"
                                              << "Hz is outside";
    }
    void frequencyOutsideRangeIsRefused()
    {
        QFETCH(QString, description);
        QFETCH(QString, named);
        WaveformDescription d = described(description.toLatin1().constData());
        const RecordingError e = refusal(write(d, QStringLiteral("slow.wav")), scales(d));
        QCOMPARE(e.fault, RecordingFault::FrequencyOutOfRange);
        QVERIFY2(e.message.contains(named), qPrintable(e.message));
    }

    void shorterThanOneWindowIsRefused()
    {
        WaveformDescription d = described("seconds=0.15");
        QCOMPARE(refusal(write(d, QStringLiteral("short.wav")), scales(d)).fault,
                 RecordingFault::TooShort);
    }

    void supplyOutsideAnnexAIsNamed()
    {
        // 4 V of 3rd harmonic is 1.74 % of 230 V (at most 0.9 %), at 50.4 Hz
        // (0.8 % off).
        WaveformDescription d = described("v3=4 hz=50.4 seconds=1");
        const RecordingAnalysis a = analysed(write(d, QStringLiteral("supply.wav")), scales(d));
        QVERIFY2(a.supply.warning.contains(QStringLiteral("harmonic 3 is 1.74 %")),
                 qPrintable(a.supply.warning));
        QVERIFY(a.supply.warning.contains(QStringLiteral("frequency 50.40 Hz")));
        QVERIFY(!a.supply.warning.contains(QStringLiteral("harmonic 5 ")));
        QVERIFY(!a.supply.warning.contains(QStringLiteral("voltage ")));
    }
};

QTEST_GUILESS_MAIN(TestRecordingAnalysis)
#include "tst_recording_analysis.moc"

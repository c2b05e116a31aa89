#pragma once

#include "measurement_record.h"

#include <QList>
#include <QTimeZone>

// One record per verdict, each with other data: product fields or none, a
// complete, short, empty or absent reply, a reply line with NUL, 0xFF and CR
// bytes, several UTC offsets.
inline QList<MeasurementRecord> sampleRecords()
{
    const auto at = [](int hour, int offsetMinutes) {
        return QDateTime(QDate(2024, 3, 9), QTime(hour, 4, 5, 678), QTimeZone(offsetMinutes * 60));
    };
    const auto complete = [](const QString& line) {
        ParsedReply reply;
        reply.line = line;
        reply.fieldsFound = kReplyFields;
        for (int n = 0; n < kReplyFields; ++n)
            reply.fields[std::size_t(n)] = QString::number(n * 0.125);
        reply.watts = QStringLiteral("75");
        reply.volts = QStringLiteral("230.1");
        reply.amps = QStringLiteral("0.412");
        reply.powerFactor = QStringLiteral("0.79");
        reply.frequency = QStringLiteral("50");
        reply.fundAmp = QStringLiteral("0.33");
        for (int k = 0; k < kHarmonicCells; ++k)
            reply.harmonics[std::size_t(k)] = QString::number(k * 3 + 1);
        return reply;
    };
    const auto judged = [](ProductClass productClass, bool failed) {
        Judgement j;
        j.productClass = productClass;
        j.power = productClass == ProductClass::D ? QStringLiteral("75") : QString();
        j.evaluation.status = Evaluation::Judged;
        for (int k = 0; k < kHarmonicCells; ++k) {
            const std::size_t n = std::size_t(k);
            j.limits[n] = QStringLiteral("%1mA").arg(2300 - k * 50);
            j.currents[n] = QString::number(k * 3 + 1);
            j.states[n] = k % 5 == 0 ? CellState::NotTested : CellState::Pass;
        }
        if (failed)
            j.states[1] = CellState::Fail;
        j.anyFailed = failed;
        return j;
    };

    QList<MeasurementRecord> records(9);
    for (int n = 0; n < 9; ++n) {
        records[n].result.verdict = Verdict(n);
        records[n].port = QStringLiteral("Com %1").arg(n % 4 + 1);
        records[n].device = QStringLiteral("/dev/ttyS%1").arg(n % 4);
        records[n].toolVersion = QStringLiteral("1.0");
    }
    // Pass: complete, Class A, every product field.
    records[0].result.reply = complete(QStringLiteral("75,230.1,0.412\r\n"));
    records[0].result.judgement = judged(ProductClass::A, false);
    records[0].result.measuredAt = at(10, 120);
    records[0].product = {QStringLiteral("Hand mixer HM-3"), QStringLiteral("SN 0042"),
                          QStringLiteral("Jürgen Weiß"), QStringLiteral("first sample, 50 % fan")};
    // Fail: Class D at 75 W, notes only.
    records[1].result.reply = complete(QStringLiteral("75,230.1\r\n"));
    records[1].result.judgement = judged(ProductClass::D, true);
    records[1].result.measuredAt = at(11, -330);
    records[1].product.notes = QStringLiteral("");
    // Incomplete: three fields, no line end.
    ParsedReply& shortReply = records[2].result.reply;
    shortReply.line = QStringLiteral("75,230.1,0.4");
    shortReply.fieldsFound = 3;
    shortReply.fields[0] = QStringLiteral("75");
    shortReply.fields[1] = QStringLiteral("230.1");
    shortReply.fields[2] = QStringLiteral("0.4");
    shortReply.watts = QStringLiteral("75");
    shortReply.volts = QStringLiteral("230.1");
    shortReply.amps = QStringLiteral("0.4");
    records[2].result.measuredAt = at(12, 0);
    records[2].result.problem = QStringLiteral("The result line had 3 of 47 fields.");
    // Invalid: a line with NUL, 0xFF and a lone CR.
    records[3].result.reply = complete(QString::fromLatin1("75,\0x\xff,\r3\r\n", 13));
    records[3].result.reply.fields[1] = QString::fromLatin1("\0x\xff", 3);
    records[3].result.measuredAt = at(13, 840);
    records[3].product.serial = QStringLiteral("x\ty");
    // No result: an empty line, every field null.
    records[4].result.reply.line = QStringLiteral("");
    records[4].result.measuredAt = at(14, -720);
    records[4].port = QStringLiteral("");
    // No verdict: Class C with a power factor that is not a number.
    records[5].result.reply = complete(QStringLiteral("75,230.1\r\n"));
    records[5].result.judgement.productClass = ProductClass::C;
    records[5].result.judgement.evaluation = {
        Evaluation::NotJudged, QStringLiteral("The power factor \"x\" is not a number.")};
    for (CellState& state : records[5].result.judgement.states)
        state = CellState::NotJudged;
    records[5].result.problem = records[5].result.judgement.evaluation.problem;
    records[5].result.measuredAt = at(15, 60);
    // Analyzer did not answer, line failed, stopped: no reply at all.
    records[6].result.measuredAt = at(16, 120);
    records[6].result.problem = QStringLiteral("The analyzer did not answer within 20 s.");
    records[7].port = QStringLiteral("/dev/ttyUSB0");
    records[7].device = QStringLiteral("/dev/ttyUSB0");
    records[7].result.problem = QStringLiteral("Input/output error");
    records[8].result.measuredAt = at(17, 120);
    records[8].result.judgement.productClass = ProductClass::B;
    records[8].toolVersion = QString();
    return records;
}

namespace detail {
inline bool sameText(const QString& a, const QString& b)
{
    return a == b && a.isNull() == b.isNull();
}

template <std::size_t N>
inline QString arrayDifference(const char* name, const std::array<QString, N>& a,
                               const std::array<QString, N>& b)
{
    for (std::size_t n = 0; n < N; ++n)
        if (!sameText(a[n], b[n]))
            return QStringLiteral("%1[%2]").arg(QLatin1String(name)).arg(n);
    return {};
}
} // namespace detail

// The first member in which the loaded record differs from the added one,
// empty when they are the same (null and empty texts differ).
inline QString recordDifference(const MeasurementRecord& a, const MeasurementRecord& b)
{
    using detail::sameText;
    const CycleResult& x = a.result;
    const CycleResult& y = b.result;
    const std::pair<const char*, bool> scalars[] = {
        {"id", a.id == b.id},
        {"verdict", x.verdict == y.verdict},
        {"problem", sameText(x.problem, y.problem)},
        {"measuredAt", x.measuredAt == y.measuredAt &&
                           x.measuredAt.isValid() == y.measuredAt.isValid() &&
                           x.measuredAt.offsetFromUtc() == y.measuredAt.offsetFromUtc()},
        {"reply.line", sameText(x.reply.line, y.reply.line)},
        {"reply.fieldsFound", x.reply.fieldsFound == y.reply.fieldsFound},
        {"reply.watts", sameText(x.reply.watts, y.reply.watts)},
        {"reply.volts", sameText(x.reply.volts, y.reply.volts)},
        {"reply.amps", sameText(x.reply.amps, y.reply.amps)},
        {"reply.powerFactor", sameText(x.reply.powerFactor, y.reply.powerFactor)},
        {"reply.frequency", sameText(x.reply.frequency, y.reply.frequency)},
        {"reply.fundAmp", sameText(x.reply.fundAmp, y.reply.fundAmp)},
        {"productClass", x.judgement.productClass == y.judgement.productClass},
        {"power", sameText(x.judgement.power, y.judgement.power)},
        {"evaluation.status", x.judgement.evaluation.status == y.judgement.evaluation.status},
        {"evaluation.problem",
         sameText(x.judgement.evaluation.problem, y.judgement.evaluation.problem)},
        {"states", x.judgement.states == y.judgement.states},
        {"anyFailed", x.judgement.anyFailed == y.judgement.anyFailed},
        {"port", sameText(a.port, b.port)},
        {"device", sameText(a.device, b.device)},
        {"product", sameText(a.product.product, b.product.product)},
        {"serial", sameText(a.product.serial, b.product.serial)},
        {"operatorName", sameText(a.product.operatorName, b.product.operatorName)},
        {"notes", sameText(a.product.notes, b.product.notes)},
        {"toolVersion", sameText(a.toolVersion, b.toolVersion)},
    };
    for (const auto& [name, same] : scalars)
        if (!same)
            return QLatin1String(name);
    for (const QString& d :
         {detail::arrayDifference("fields", x.reply.fields, y.reply.fields),
          detail::arrayDifference("harmonics", x.reply.harmonics, y.reply.harmonics),
          detail::arrayDifference("limits", x.judgement.limits, y.judgement.limits),
          detail::arrayDifference("currents", x.judgement.currents, y.judgement.currents)})
        if (!d.isEmpty())
            return d;
    return {};
}

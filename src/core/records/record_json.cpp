#include "record_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString nonNull(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

QJsonValue jsonText(const QString& text)
{
    return text.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QString textOf(const QJsonValue& value)
{
    return value.isNull() ? QString() : nonNull(value.toString());
}

template <std::size_t N> QJsonArray jsonTexts(const std::array<QString, N>& texts)
{
    QJsonArray array;
    for (const QString& text : texts)
        array.append(jsonText(text));
    return array;
}

template <std::size_t N> bool readTexts(const QJsonValue& value, std::array<QString, N>* texts)
{
    const QJsonArray array = value.toArray();
    if (array.size() != qsizetype(N))
        return false;
    for (std::size_t n = 0; n < N; ++n)
        (*texts)[n] = textOf(array[qsizetype(n)]);
    return true;
}

QString toJson(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace

QString replyJson(const ParsedReply& reply)
{
    return toJson({{QStringLiteral("fields"), jsonTexts(reply.fields)},
                   {QStringLiteral("watts"), jsonText(reply.watts)},
                   {QStringLiteral("volts"), jsonText(reply.volts)},
                   {QStringLiteral("amps"), jsonText(reply.amps)},
                   {QStringLiteral("powerFactor"), jsonText(reply.powerFactor)},
                   {QStringLiteral("frequency"), jsonText(reply.frequency)},
                   {QStringLiteral("fundAmp"), jsonText(reply.fundAmp)},
                   {QStringLiteral("harmonics"), jsonTexts(reply.harmonics)}});
}

bool readReplyJson(const QString& json, ParsedReply* reply)
{
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    reply->watts = textOf(o[QStringLiteral("watts")]);
    reply->volts = textOf(o[QStringLiteral("volts")]);
    reply->amps = textOf(o[QStringLiteral("amps")]);
    reply->powerFactor = textOf(o[QStringLiteral("powerFactor")]);
    reply->frequency = textOf(o[QStringLiteral("frequency")]);
    reply->fundAmp = textOf(o[QStringLiteral("fundAmp")]);
    return readTexts(o[QStringLiteral("fields")], &reply->fields) &&
           readTexts(o[QStringLiteral("harmonics")], &reply->harmonics);
}

QString judgementJson(const Judgement& judgement)
{
    QJsonArray states;
    for (CellState state : judgement.states)
        states.append(cellStateName(state));
    QJsonObject o{{QStringLiteral("limits"), jsonTexts(judgement.limits)},
                  {QStringLiteral("currents"), jsonTexts(judgement.currents)},
                  {QStringLiteral("states"), states}};
    // What an edition's rules added; absent from records judged before
    // editions were told apart.
    if (judgement.basisW) {
        o[QStringLiteral("power_basis")] = powerBasisName(judgement.powerBasis);
        o[QStringLiteral("basis_w")] = *judgement.basisW;
    }
    if (!judgement.notes.isEmpty())
        o[QStringLiteral("notes")] = QJsonArray::fromStringList(judgement.notes);
    if (judgement.waveShapeUndecided)
        o[QStringLiteral("wave_shape_undecided")] = true;
    if (const std::optional<LabBasis>& lab = judgement.lab) {
        QJsonObject l{{QStringLiteral("typed_w"), lab->typedW},
                      {QStringLiteral("measured_w"), lab->measuredW},
                      {QStringLiteral("power_basis"), powerBasisName(lab->powerBasis)},
                      {QStringLiteral("basis_w"), lab->basisW},
                      {QStringLiteral("judged"), lab->evaluation.status == Evaluation::Judged},
                      {QStringLiteral("problem"), lab->evaluation.problem},
                      {QStringLiteral("any_failed"), lab->anyFailed},
                      {QStringLiteral("worst_failure"), lab->worstFailure}};
        if (lab->closest)
            l[QStringLiteral("closest")] =
                QJsonObject{{QStringLiteral("order"), lab->closest->order},
                            {QStringLiteral("percent"), lab->closest->percentOfLimit},
                            {QStringLiteral("guarded"), lab->closest->guarded}};
        o[QStringLiteral("lab")] = l;
    }
    return toJson(o);
}

bool readJudgementJson(const QString& json, Judgement* judgement)
{
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    const QJsonArray states = o[QStringLiteral("states")].toArray();
    if (states.size() != kHarmonicCells)
        return false;
    for (int n = 0; n < kHarmonicCells; ++n) {
        const std::optional<CellState> state = cellStateFromName(states[n].toString());
        if (!state)
            return false;
        judgement->states[std::size_t(n)] = *state;
    }
    if (const QJsonValue basis = o[QStringLiteral("power_basis")]; basis.isString()) {
        judgement->powerBasis = powerBasisFromName(basis.toString()).value_or(PowerBasis::Typed);
        judgement->basisW = o[QStringLiteral("basis_w")].toDouble();
    }
    for (const QJsonValue note : o[QStringLiteral("notes")].toArray())
        judgement->notes << note.toString();
    judgement->waveShapeUndecided = o[QStringLiteral("wave_shape_undecided")].toBool();
    if (const QJsonValue stored = o[QStringLiteral("lab")]; stored.isObject()) {
        const QJsonObject l = stored.toObject();
        LabBasis lab;
        lab.typedW = l[QStringLiteral("typed_w")].toDouble();
        lab.measuredW = l[QStringLiteral("measured_w")].toDouble();
        lab.powerBasis =
            powerBasisFromName(l[QStringLiteral("power_basis")].toString()).value_or(PowerBasis::Measured);
        lab.basisW = l[QStringLiteral("basis_w")].toDouble();
        lab.evaluation = {l[QStringLiteral("judged")].toBool() ? Evaluation::Judged
                                                               : Evaluation::NotJudged,
                          l[QStringLiteral("problem")].toString()};
        lab.anyFailed = l[QStringLiteral("any_failed")].toBool();
        lab.worstFailure = l[QStringLiteral("worst_failure")].toString();
        if (const QJsonValue c = l[QStringLiteral("closest")]; c.isObject())
            lab.closest = ClosestOrder{c[QStringLiteral("order")].toInt(),
                                       c[QStringLiteral("percent")].toDouble(),
                                       c[QStringLiteral("guarded")].toBool()};
        judgement->lab = lab;
    }
    return readTexts(o[QStringLiteral("limits")], &judgement->limits) &&
           readTexts(o[QStringLiteral("currents")], &judgement->currents);
}

QJsonObject recordingFactsJson(const RecordingFacts& f)
{
    return QJsonObject{
        {QStringLiteral("file"), QJsonObject{{QStringLiteral("name"), f.file},
                                             {QStringLiteral("size_bytes"), f.sizeBytes},
                                             {QStringLiteral("sha256"), f.sha256}}},
        {QStringLiteral("channels"), QJsonObject{{QStringLiteral("voltage"), f.voltageChannel},
                                                 {QStringLiteral("current"), f.currentChannel}}},
        {QStringLiteral("sample_rate_hz"), f.sampleRate},
        {QStringLiteral("periods_per_window"), f.periodsPerWindow},
        {QStringLiteral("frequency_hz"), f.frequencyHz},
        {QStringLiteral("thd_pct"), f.thdPct},
        {QStringLiteral("crest_factor"), f.crestFactor},
        {QStringLiteral("highest_power_w"), f.highestPowerW},
        {QStringLiteral("supply"), QJsonObject{{QStringLiteral("volts_lowest"), f.voltsLowest},
                                               {QStringLiteral("volts_highest"), f.voltsHighest},
                                               {QStringLiteral("hz_lowest"), f.hzLowest},
                                               {QStringLiteral("hz_highest"), f.hzHighest},
                                               {QStringLiteral("crest_lowest"), f.crestLowest},
                                               {QStringLiteral("crest_highest"), f.crestHighest},
                                               {QStringLiteral("warning"), f.supplyWarning}}},
    };
}

bool readRecordingFacts(const QJsonObject& json, RecordingFacts* f)
{
    const QJsonObject file = json.value(QStringLiteral("file")).toObject();
    const QJsonObject channels = json.value(QStringLiteral("channels")).toObject();
    const QJsonObject supply = json.value(QStringLiteral("supply")).toObject();
    bool whole = file.contains(QStringLiteral("sha256")) && channels.contains(QStringLiteral("current"));
    const auto number = [&whole](const QJsonObject& from, const char* key) {
        const QJsonValue value = from.value(QLatin1String(key));
        whole = whole && value.isDouble();
        return value.toDouble();
    };
    f->file = file.value(QStringLiteral("name")).toString();
    f->sizeBytes = qint64(number(file, "size_bytes"));
    f->sha256 = file.value(QStringLiteral("sha256")).toString();
    f->voltageChannel = channels.value(QStringLiteral("voltage")).toString();
    f->currentChannel = channels.value(QStringLiteral("current")).toString();
    f->sampleRate = number(json, "sample_rate_hz");
    f->periodsPerWindow = int(number(json, "periods_per_window"));
    f->frequencyHz = number(json, "frequency_hz");
    f->thdPct = number(json, "thd_pct");
    f->crestFactor = number(json, "crest_factor");
    f->highestPowerW = number(json, "highest_power_w");
    f->voltsLowest = number(supply, "volts_lowest");
    f->voltsHighest = number(supply, "volts_highest");
    f->hzLowest = number(supply, "hz_lowest");
    f->hzHighest = number(supply, "hz_highest");
    f->crestLowest = number(supply, "crest_lowest");
    f->crestHighest = number(supply, "crest_highest");
    f->supplyWarning = supply.value(QStringLiteral("warning")).toString();
    return whole;
}

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
    return toJson({{QStringLiteral("limits"), jsonTexts(judgement.limits)},
                   {QStringLiteral("currents"), jsonTexts(judgement.currents)},
                   {QStringLiteral("states"), states}});
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
    return readTexts(o[QStringLiteral("limits")], &judgement->limits) &&
           readTexts(o[QStringLiteral("currents")], &judgement->currents);
}

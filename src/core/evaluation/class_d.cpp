#include "class_evaluation.h"

#include "conversions.h"
#include "evaluation_steps.h"
#include "limit_text.h"
#include "verdict_scheme.h"

namespace {

// The Class D power range in W, both ends included.
constexpr double kLowestPower = 50;
constexpr double kHighestPower = 600;

} // namespace

ClassDPower::ClassDPower(const QString& typed) : m_text(typed), m_watts(StrictNumber(typed)) {}

bool ClassDPower::inRange() const
{
    return m_watts && *m_watts >= kLowestPower && *m_watts <= kHighestPower;
}

QString classDPowerRangeMessage()
{
    return QStringLiteral("You need to enter a value  from 50 to 600 for Class D Power");
}

Judgement ClassD(const MeasuredValues& measured, const ClassDPower& power)
{
    // The limits are milliamperes per watt of the power the operator typed
    // (the edition may take the measured one instead: Limits), capped at the
    // Class A limits.
    Judgement judgement = evaluation::startJudgement(ProductClass::D, measured);
    judgement.power = power.text();
    const std::optional<double> watts = power.watts();
    if (!watts) {
        judgement.evaluation = {
            Evaluation::NotJudged,
            evaluation::inputProblem(QStringLiteral("The Class D power"), power.text(),
                                     QStringLiteral("a number in watts")) +
                QStringLiteral(" Class D cannot be judged: enter the power in watts as a "
                               "number only, such as 75.")};
        return judgement;
    }
    // A power outside 50 to 600 W would give limits that mean nothing (zero,
    // negative or huge ones that every measurement passes): no verdict.
    if (!power.inRange()) {
        judgement.evaluation = {
            Evaluation::NotJudged,
            QStringLiteral("The Class D power \"%1\" W is out of range. %2.")
                .arg(evaluation::shownText(power.text().trimmed()), classDPowerRangeMessage())};
        return judgement;
    }

    return ClassDAt(measured, power.text(), *watts);
}

Judgement ClassDAt(const MeasuredValues& measured, const QString& powerText, double basisW)
{
    Judgement judgement = evaluation::startJudgement(ProductClass::D, measured);
    judgement.power = powerText;
    judgement.basisW = basisW;
    // Harmonics 3 to 11 are written in full, 13 to 39 through the cut.
    const double P = basisW;
    const auto fullText = [](double limitMa) { return NumberText(limitMa) + QStringLiteral("mA"); };
    judgement.limits[1] = fullText(P * 3.4);
    judgement.limits[3] = fullText(P * 1.9);
    judgement.limits[5] = fullText(P);
    judgement.limits[7] = fullText(P * 0.5);
    judgement.limits[9] = fullText(P * 0.35);
    for (int cell = 11; cell <= 37; cell += 2) {
        const double n = harmonicOrder(cell);
        judgement.limits[cell] = LimitText(P * (3.85 / n));
    }
    // Each order's limit is at most the Class A limit of that order: the
    // lower of the two applies, and the cell shows it.
    for (int cell = 1; cell <= 37; cell += 2) {
        const QString& cap = classALimitTexts()[std::size_t(cell)];
        if (NumericValue(cap) < NumericValue(judgement.limits[std::size_t(cell)]))
            judgement.limits[std::size_t(cell)] = cap;
    }

    const double notTestedBelow = evaluation::notTestedBelowMa(measured.amps);
    for (int cell = 1; cell <= 37; cell += 2)
        evaluation::judgeCell(judgement, cell, notTestedBelow);

    // Class D does not judge the 2nd harmonic nor the even ones 4 to 40.
    evaluation::blankEveryOtherCell(judgement, 0);
    return judgement;
}

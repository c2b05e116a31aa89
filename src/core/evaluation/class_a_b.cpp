#include "class_evaluation.h"

#include "evaluation_steps.h"
#include "limit_text.h"
#include "verdict_scheme.h"

#include <array>

namespace {

// The limits a Class A or Class B evaluation holds. Each class keeps its own
// values; Class B's are not derived from Class A's.
struct FixedLimitClass
{
    // Cells 0, 1, 2, 3, 4, 5, 7, 9 and 11 (harmonics 2 to 7, 9, 11 and 13).
    std::array<const char*, 9> fixedTexts;
    // Even harmonics 8 to 40: (8 / n) * factor, in A.
    double evenFactor;
    // Odd harmonics 15 to 39: (15 / n) * factor, in A.
    double oddFactor;
};

constexpr std::array<int, 9> kFixedCells{0, 1, 2, 3, 4, 5, 7, 9, 11};

constexpr FixedLimitClass kClassA{
    {"1080mA", "2300mA", "430mA", "1140mA", "300mA", "770mA", "400mA", "330mA", "210mA"},
    0.23,
    0.15};

constexpr FixedLimitClass kClassB{
    {"1620mA", "3450mA", "645mA", "1710mA", "450mA", "1155mA", "600mA", "495mA", "315mA"},
    0.345,
    0.225};

// A computed limit in A, rounded to 15 significant digits, as the text of its
// cell in mA.
QString computedLimitText(double limitAmps)
{
    return LimitText(evaluation::asShown(limitAmps) * 1000);
}

// The limit cells of a class: the same for every reply, so written once.
std::array<QString, kHarmonicCells> limitTexts(const FixedLimitClass& limits)
{
    std::array<QString, kHarmonicCells> texts;
    for (std::size_t k = 0; k < kFixedCells.size(); ++k)
        texts[std::size_t(kFixedCells[k])] = QString::fromLatin1(limits.fixedTexts[k]);

    for (int cell = 6; cell < kHarmonicCells; cell += 2) {
        const double n = harmonicOrder(cell);
        texts[std::size_t(cell)] = computedLimitText((8 / n) * limits.evenFactor);
    }
    for (int cell = 13; cell <= 37; cell += 2) {
        const double n = harmonicOrder(cell);
        texts[std::size_t(cell)] = computedLimitText((15 / n) * limits.oddFactor);
    }
    return texts;
}

Judgement evaluateFixedLimitClass(ProductClass productClass,
                                  const std::array<QString, kHarmonicCells>& limits,
                                  const MeasuredValues& measured)
{
    Judgement judgement = evaluation::startJudgement(productClass, measured);
    judgement.limits = limits;

    const double notTestedBelow = evaluation::notTestedBelowMa(measured.amps);
    for (int cell = 0; cell < kHarmonicCells; ++cell)
        evaluation::judgeCell(judgement, cell, notTestedBelow);
    return judgement;
}

} // namespace

const std::array<QString, kHarmonicCells>& classALimitTexts()
{
    static const std::array<QString, kHarmonicCells> limits = limitTexts(kClassA);
    return limits;
}

Judgement ClassA(const MeasuredValues& measured)
{
    return evaluateFixedLimitClass(ProductClass::A, classALimitTexts(), measured);
}

Judgement ClassB(const MeasuredValues& measured)
{
    static const std::array<QString, kHarmonicCells> limits = limitTexts(kClassB);
    return evaluateFixedLimitClass(ProductClass::B, limits, measured);
}

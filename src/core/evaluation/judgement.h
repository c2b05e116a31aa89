#pragma once

#include "edition.h"
#include "harmonics.h"
#include "power_basis.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The equipment class, A to D.
enum class ProductClass { None, A, B, C, D };

// "A" to "D"; empty for None.
QString classLetter(ProductClass productClass);
// The class with its Class D power: "D (75 W)"; the letter alone for the
// other classes and for Class D without a power.
QString classWithPower(ProductClass productClass, const QString& power);
// "A" to "D" (either case) to the class; nothing for any other text.
std::optional<ProductClass> classFromLetter(const QString& letter);

// What an evaluation came to. `Judged`: the limit column, the cell states and
// anyFailed are final. `NotJudged`: an input of the class could not be
// converted (a Class C fundamental current or power factor, a Class D power);
// no limit was written, no cell coloured, and `problem` tells the operator
// which input is wrong and why. `NoClass`: no class was selected.
// `NotLimited`: the edition sets no limits for this equipment (its power, its
// category); nothing was judged and `problem` says why.
struct Evaluation
{
    enum Status { Judged, NotJudged, NoClass, NotLimited };
    Status status = NoClass;
    QString problem;
};

// The state of one harmonic cell after an evaluation, as its colours show it:
// Pass keeps the neutral colours, Fail is red, NotTested blue (below 5 mA or
// below 0.6 % of the rms current: disregarded, never failed), NotJudged:
// the class does not judge this harmonic, or the evaluation did not run.
enum class CellState { Pass, Fail, NotTested, NotJudged };

// "pass", "fail", "not_tested", "not_judged".
QString cellStateName(CellState state);
// The state as a person reads it: "pass", "fail", "not tested", "not judged".
QString cellStateWords(CellState state);
std::optional<CellState> cellStateFromName(const QString& name);

// Every cell NotJudged: where a judgement starts.
constexpr std::array<CellState, kHarmonicCells> noCellJudged()
{
    std::array<CellState, kHarmonicCells> states{};
    for (CellState& state : states)
        state = CellState::NotJudged;
    return states;
}

// The judged order closest to its limit.
struct ClosestOrder
{
    int order = 0;
    // The current (an observation: the average) in % of the limit the
    // verdict used: under a guard band, the guarded limit.
    double percentOfLimit = 0;
    // Judged under a guard band: percentOfLimit is of the guarded limit.
    bool guarded = false;
};

// A Class D measurement judged by the typed power while the measured power
// lies outside 90 % to 110 % of it: how the lab, which takes the measured
// power then, would judge it.
struct LabBasis
{
    double typedW = 0;
    double measuredW = 0;
    PowerBasis powerBasis = PowerBasis::Measured;
    double basisW = 0;
    // Judged, or NotJudged (a measured power the Class D table cannot take)
    // with the reason.
    Evaluation evaluation;
    bool anyFailed = false;
    std::optional<ClosestOrder> closest;
    // The failed order furthest above its limit: "3rd 280 mA against
    // 255 mA"; empty when none failed.
    QString worstFailure;
};

// One evaluation of a measurement under one class: what the window's limit
// column and harmonic cells show once the class has judged them. A judgement
// made by no class (as default-constructed) has no limit and no cell judged.
struct Judgement
{
    ProductClass productClass = ProductClass::None;
    // Class D: the power text the operator gave, in W, as typed.
    // Empty for the other classes.
    QString power;
    Evaluation evaluation;
    // The limit of harmonic i + 2: "<number>mA", empty where the class sets no limit.
    std::array<QString, kHarmonicCells> limits{};
    // The current of harmonic i + 2 after the evaluation, in mA: the parsed text, emptied for the
    // harmonics the class does not judge (Class C: 4 to 40 even; Class D: 2
    // and 4 to 40 even).
    std::array<QString, kHarmonicCells> currents{};
    std::array<CellState, kHarmonicCells> states = noCellJudged();
    // TestFailed = -1: at least one tested harmonic is above its limit (a
    // not-tested one never counts).
    bool anyFailed = false;
    // The guard band the cells were judged under, in % (guard_band.h): each
    // judged against its limit reduced by it. 0: against the limits.
    double guardBandPct = 0;
    // The edition judged by, and whether the equipment was taken as
    // professional.
    Edition edition = kDefaultEdition;
    bool professional = false;
    // Class D: whose power the limits came from, and that power in W (none
    // when no limit was computed).
    PowerBasis powerBasis = PowerBasis::Typed;
    std::optional<double> basisW;
    // What every output adds to the verdict: a rule of the edition that was
    // not judged and why, or the edition's own rules for this equipment.
    QStringList notes;
    // Class D under an edition that judges by the typed power, with the
    // measured power outside 90 % to 110 % of it: the verdict at the lab's
    // basis.
    std::optional<LabBasis> lab;
    // Lighting of 25 W or less whose verdict rests on a wave shape no
    // snapshot shows: status NotJudged, the currents valid all the same.
    bool waveShapeUndecided = false;
};


// "19th harmonic", "2nd harmonic", "23rd harmonic".
QString harmonicName(int order);

// "Closest to its limit: 19th harmonic, 28.5 %" (one decimal), "Closest to
// its guarded limit: ..." under a guard band; "Closest to its limit: no
// order judged" without one.
QString closestLine(const std::optional<ClosestOrder>& closest);

// The rules a single measurement is judged by, as every output names them.
inline constexpr const char* kMeasurementRules = "IEC 1000-3-2 limits, one analyzer snapshot";
// The same under `edition`: kMeasurementRules for 1995, "IEC
// 61000-3-2:2018+A1:2020 limits, one analyzer snapshot" for 2018.
QString measurementRules(Edition edition);

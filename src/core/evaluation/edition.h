#pragma once

#include <QString>

#include <optional>

// The edition of the standard a measurement is judged by. Iec1995: IEC
// 1000-3-2 as the window has always judged it. Iec2018: IEC 61000-3-2:2018
// with its amendment A1:2020, as accredited labs judge today.
enum class Edition { Iec1995, Iec2018 };

// What every face starts with until the operator or the configuration
// chooses another.
inline constexpr Edition kDefaultEdition = Edition::Iec1995;

// "1995", "2018": the edition as options, records and JSON name it.
QString editionName(Edition edition);
std::optional<Edition> editionFromName(const QString& name);
// "IEC 1000-3-2 (1995)", "IEC 61000-3-2:2018+A1:2020": as reports title it.
QString editionTitle(Edition edition);

// What an edition's rules are, where they differ: one value per edition, so
// that another edition is one more table (edition.cpp) beside the class
// tables they select.
struct EditionRules
{
    Edition edition;
    // Equipment other than lighting (Class A, B, D) of this rated power or
    // less has no limits; none: every power is limited.
    std::optional<double> otherUnlimitedUpToW;
    // Lighting (Class C) of this rated power or less has no limits.
    std::optional<double> lightingUnlimitedUpToW;
    // Professional equipment of Class A above this rated power has no
    // limits.
    std::optional<double> professionalUnlimitedAboveW;
    // Lighting of this power or less is judged by its own alternatives
    // (lowPowerLighting), not by the Class C table.
    std::optional<double> lowPowerLightingUpToW;
    // Class D's limits come from the measured power unless it lies within
    // 90 % to 110 % of the typed power; false: always the typed power.
    bool classDMeasuredBasis;
    // Class C's 3rd-harmonic limit is known (30 % times the power factor);
    // false: the edition changed it and no public source gives the new one,
    // so the 3rd is not judged and every output says why.
    bool classCThirdKnown;
};

const EditionRules& editionRules(Edition edition);

// What every output says of a Class C 3rd harmonic left unjudged.
QString classCThirdNotJudgedNote();

#pragma once

#include <QString>

#include <optional>

// A Class D power as an operator types it or a record keeps it: the text,
// shown and kept as typed, and the number it is, read once. A text that is
// no number is still a power (a stored record may hold one); it is judged
// "not judged" with the reason.
class ClassDPower
{
public:
    ClassDPower() = default;
    // Implicit: every typed or stored power text is a Class D power.
    ClassDPower(const QString& typed);
    ClassDPower(const char* typed) : ClassDPower(QString::fromUtf8(typed)) {}

    // The text as typed.
    const QString& text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }
    // The power in W, read as Class D reads it (StrictNumber: blanks around it
    // aside, so " 75 " and "75.0" are 75; "." is the decimal point whatever
    // the desktop's regional settings, so "75,5" and "75 W" are no number).
    std::optional<double> watts() const { return m_watts; }
    // A number from 50 to 600 W, both included: the powers a product can be
    // judged at. Every face refuses any other power before anything is sent
    // or judged.
    bool inRange() const;

    bool operator==(const ClassDPower& other) const { return m_text == other.m_text; }

private:
    QString m_text;
    std::optional<double> m_watts;
};

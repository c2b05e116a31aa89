#pragma once

#include "edition.h"
#include "harmonics.h"

#include <QString>

#include <array>

// The main window IEC1000 as its presenters (LogOn, TestRun, the class
// options, the show* functions) see it: its elements by name, its members,
// and the colour roles. The core never sees it: the presenters turn the
// core's values (ParsedReply, Judgement, CycleResult) and reports into texts
// and colours through Form, which the window implements over its widgets.

// Text fields. Read-only except PowerD.
enum class Field {
    Reslbl,  // log-on status words and the verdict
    Vlttxt,  // rms voltage, V
    AmpTxt,  // rms current, A
    FreqTxt, // fundamental frequency, Hz
    Wattxt,  // true power, W
    PfTxt,   // true power factor (W/VA)
    PowerD,  // the Class D power typed by the operator, W
};

enum class Button { Run, Log, PrntFrm, Exit };

// Option buttons: com1 to com4 form one group in the frame CommSet, Aopt to
// Dopt one group in the frame Product.
enum class Option { com1, com2, com3, com4, Aopt, Bopt, Copt, Dopt };

inline constexpr std::array<Option, 4> kPortOptions{Option::com1, Option::com2, Option::com3,
                                                    Option::com4};
inline constexpr std::array<Option, 4> kClassOptions{Option::Aopt, Option::Bopt, Option::Copt,
                                                     Option::Dopt};

// Colour roles.
enum class Colour {
    Neutral,    // the platform's tooltip background: read-only fields, passed cells
    LimitCell,  // R 255, G 224, B 192: HrmLim cells, never changed
    Fail,       // R 255, G 0, B 0
    NotTested,  // R 0, G 0, B 255
    Pass,       // R 0, G 255, B 0
    Black,      // text of a reset cell
    White,      // text on the fail and not-tested colours
    WindowText, // the platform's default text colour
};

enum class Progress { Hidden, Shown };

// The elements the logic touches, as operations on them.
class Form
{
public:
    virtual ~Form() = default;

    virtual QString text(Field field) const = 0;
    virtual void setText(Field field, const QString& text) = 0;
    virtual void setBackColor(Field field, Colour colour) = 0;

    // HrmNo(i): measured current of harmonic i + 2, mA.
    virtual QString hrmNo(int cell) const = 0;
    virtual void setHrmNo(int cell, const QString& text) = 0;
    virtual void setHrmNoBackColor(int cell, Colour colour) = 0;
    virtual void setHrmNoForeColor(int cell, Colour colour) = 0;
    // HrmLim(i): limit of harmonic i + 2, as "<number>mA".
    virtual QString hrmLim(int cell) const = 0;
    virtual void setHrmLim(int cell, const QString& text) = 0;

    virtual QString caption(Button button) const = 0;
    virtual void setCaption(Button button, const QString& caption) = 0;
    virtual void setEnabled(Button button, bool enabled) = 0;

    virtual bool selected(Option option) const = 0;
    virtual void setEnabled(Option option, bool enabled) = 0;

    // ProgressBar1, range 0 to 100.
    virtual void setProgressVisible(bool visible) = 0;
    virtual void setProgress(int value) = 0;

    // The line below the legend that says what the verdict alone does not:
    // shown while it holds text, hidden when it is empty.
    virtual void setJudgementNote(const QString& text) = 0;
};

// The members of the window object. They live as long as the window and are
// touched only on the window's thread.
struct WindowMembers
{
    // The result reply of the latest cycle that read one, as received.
    QString result;
    // The fundamental current, in A, as the result reply gave it.
    QString FundAmp;
    // The serial port 1 to 4 chosen at log on; 0 until the first log on.
    qint16 PortNumber = 0;
    // 0: no harmonic has failed its limit; -1: at least one has.
    qint16 TestFailed = 0;
    // The edition every measurement is judged by, and whether the equipment
    // is professional, as the window's context menu chooses them.
    Edition edition = kDefaultEdition;
    bool professional = false;
};

// Which handlers are running. A click handled at a dispatch point runs its
// handler nested inside the interrupted one; the handlers consult this so
// that a nested click cannot start a second log on or measurement cycle in
// the middle of the first, and an interrupted handler stops once the tool is
// ending.
struct Activity
{
    bool logOn = false;         // Log_Click is running (log on or log off)
    bool testRun = false;       // a measurement cycle is running
    bool stopRequested = false; // Run was clicked while a cycle ran
    bool ending = false;        // EXIT or closing the window has ended the tool
};

// Sets a flag of Activity for the life of a scope.
class ActivityScope
{
public:
    explicit ActivityScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~ActivityScope() { m_flag = false; }
    ActivityScope(const ActivityScope&) = delete;
    ActivityScope& operator=(const ActivityScope&) = delete;

private:
    bool& m_flag;
};

#pragma once

#include "window_model.h"

#include <QList>

#include <array>
#include <map>

// The window's elements without widgets, in the initial state of the window's
// design: what the logic wrote can be read back, colours included.
class FakeForm : public Form
{
public:
    struct Cell
    {
        QString text;
        Colour back = Colour::Neutral;
        Colour fore = Colour::WindowText;
    };

    FakeForm()
    {
        for (auto& cell : lim)
            cell.back = Colour::LimitCell;
        fields[Field::PowerD] = {QStringLiteral("75"), Colour::LimitCell, Colour::WindowText};
        captions[Button::Run] = QStringLiteral("Start Test");
        captions[Button::Log] = QStringLiteral("Log On");
        captions[Button::PrntFrm] = QStringLiteral("Print Result");
        captions[Button::Exit] = QStringLiteral("EXIT");
        buttonEnabled = {{Button::Run, false},
                         {Button::Log, false},
                         {Button::PrntFrm, true},
                         {Button::Exit, true}};
        for (Option o : kPortOptions)
            optionEnabled[o] = true;
        for (Option o : kClassOptions)
            optionEnabled[o] = false;
    }

    QString text(Field f) const override { return field(f).text; }
    void setText(Field f, const QString& t) override { fields[f].text = t; }
    void setBackColor(Field f, Colour c) override { fields[f].back = c; }

    QString hrmNo(int i) const override { return no.at(i).text; }
    void setHrmNo(int i, const QString& t) override { no.at(i).text = t; }
    void setHrmNoBackColor(int i, Colour c) override { no.at(i).back = c; }
    void setHrmNoForeColor(int i, Colour c) override { no.at(i).fore = c; }
    QString hrmLim(int i) const override { return lim.at(i).text; }
    void setHrmLim(int i, const QString& t) override { lim.at(i).text = t; }

    QString caption(Button b) const override { return captions.at(b); }
    void setCaption(Button b, const QString& c) override { captions[b] = c; }
    void setEnabled(Button b, bool e) override { buttonEnabled[b] = e; }

    bool selected(Option o) const override
    {
        const auto it = optionSelected.find(o);
        return it != optionSelected.end() && it->second;
    }
    void setEnabled(Option o, bool e) override { optionEnabled[o] = e; }

    void setProgressVisible(bool v) override
    {
        progressVisible = v;
        progressLog << (v ? -1 : -2);
    }
    void setProgress(int v) override
    {
        progressValue = v;
        progressLog << v;
    }
    void setJudgementNote(const QString& t) override { judgementNote = t; }

    // The operator selects an option: it clears the others of its group.
    void select(Option o)
    {
        const bool port = int(o) <= int(Option::com4);
        for (Option other : port ? kPortOptions : kClassOptions)
            optionSelected[other] = false;
        optionSelected[o] = true;
    }

    Cell field(Field f) const
    {
        const auto it = fields.find(f);
        return it == fields.end() ? Cell{} : it->second;
    }
    bool enabled(Button b) const { return buttonEnabled.at(b); }
    bool enabled(Option o) const { return optionEnabled.at(o); }

    std::map<Field, Cell> fields;
    std::array<Cell, kHarmonicCells> no{};
    std::array<Cell, kHarmonicCells> lim{};
    std::map<Button, QString> captions;
    std::map<Button, bool> buttonEnabled;
    std::map<Option, bool> optionSelected;
    std::map<Option, bool> optionEnabled;
    bool progressVisible = false;
    int progressValue = 0;
    // Every progress write in order: a value, -1 for shown, -2 for hidden.
    QList<int> progressLog;
    QString judgementNote;
};

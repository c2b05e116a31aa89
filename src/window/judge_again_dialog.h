#pragma once

#include "measurement_record.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class Toolkit;

// Judge Again: the stored reply judged under a class (A to D, for D with a
// power in W), an edition and a category picked here (the record's to begin
// with) and the record's guard band; shows the verdict and the judgement,
// and saves a report of it. The store is not changed.
class JudgeAgainDialog : public QDialog
{
    Q_OBJECT

public:
    JudgeAgainDialog(const MeasurementRecord& record, Toolkit& toolkit, QWidget* parent = nullptr);

private:
    void judge();
    void save();

    MeasurementRecord m_record;
    std::optional<MeasurementRecord> m_judged;
    Toolkit& m_toolkit;
    QComboBox* m_class = nullptr;
    QLineEdit* m_power = nullptr;
    QComboBox* m_edition = nullptr;
    QCheckBox* m_professional = nullptr;
    QLabel* m_verdict = nullptr;
    QTreeWidget* m_judgement = nullptr;
    QPushButton* m_save = nullptr;
};

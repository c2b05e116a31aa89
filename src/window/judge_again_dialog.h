#pragma once

#include "measurement_record.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class Toolkit;

// Judge Again: the stored reply judged under a class (A to D, for D with a
// power in W) picked here and the record's guard band; shows the verdict and
// the judgement, and saves a report of it. The store is not changed.
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
    QLabel* m_verdict = nullptr;
    QTreeWidget* m_judgement = nullptr;
    QPushButton* m_save = nullptr;
};

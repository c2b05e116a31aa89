#pragma once

#include "measurement_record.h"

#include <QDialog>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class RecordKeeper;
class Toolkit;

// Measurement History: the newest 1000 records that match the filter, newest
// first; for the selected one, Save Report and Judge Again.
class HistoryDialog : public QDialog
{
    Q_OBJECT

public:
    HistoryDialog(RecordKeeper& records, Toolkit& toolkit, QWidget* parent = nullptr);

    static constexpr int kShownRecords = 1000;

private:
    void reload();
    // The selected record read from the store; nothing (and the operator is
    // told why) when it cannot be read.
    std::optional<MeasurementRecord> selectedRecord();
    void saveSelected();
    void judgeSelected();

    RecordKeeper& m_records;
    Toolkit& m_toolkit;
    QLineEdit* m_filter = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_judge = nullptr;
};

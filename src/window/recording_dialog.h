#pragma once

#include "waveform_reader.h"

#include <QDialog>
#include <QString>

#include <optional>

class QDoubleSpinBox;
class QLineEdit;

// A recording the operator chose to judge: the file and how to read it.
struct RecordingChoice
{
    QString path;
    RecordingOptions options;
};

// How to read a recording: for a .wav file the volts and the amperes of a
// full-scale sample (1 each unless typed, always above 0), for a .wav or
// COMTRADE file the voltage and the current channel ("V,I"; empty takes the
// file's defaults).
class RecordingOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    RecordingOptionsDialog(const QString& path, QWidget* parent = nullptr);
    RecordingOptions options() const;

    // Null when the file is no .wav file.
    QDoubleSpinBox* voltsScale = nullptr;
    QDoubleSpinBox* ampsScale = nullptr;
    QLineEdit* channels = nullptr;
};

// "Open Recording...": the file (recordings .wav, .csv or COMTRADE .cfg, or
// any file), then RecordingOptionsDialog unless it is a .csv file, which
// names its columns itself. Nothing when the operator cancelled either.
std::optional<RecordingChoice> askForRecording(QWidget* parent);

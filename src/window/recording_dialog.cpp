#include "recording_dialog.h"

#include "plain_text_labels.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>

namespace {

bool hasSuffix(const QString& path, const char* suffix)
{
    return QFileInfo(path).suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0;
}

// A full scale in its unit: above 0, 1 unless typed.
QDoubleSpinBox* fullScaleBox(const QString& unit, QWidget* parent)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setDecimals(4);
    box->setRange(0.0001, 1e6);
    box->setValue(1);
    box->setSuffix(QLatin1Char(' ') + unit);
    return box;
}

} // namespace

RecordingOptionsDialog::RecordingOptionsDialog(const QString& path, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Open Recording"));
    setModal(true);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("File:"), new QLabel(QFileInfo(path).fileName(), this));
    if (hasSuffix(path, "wav")) {
        voltsScale = fullScaleBox(QStringLiteral("V"), this);
        ampsScale = fullScaleBox(QStringLiteral("A"), this);
        form->addRow(QStringLiteral("Full-scale sample, voltage:"), voltsScale);
        form->addRow(QStringLiteral("Full-scale sample, current:"), ampsScale);
    }
    channels = new QLineEdit(this);
    channels->setPlaceholderText(QStringLiteral("V,I: 1,2 or UA,IA; empty: the defaults"));
    form->addRow(QStringLiteral("Channels:"), channels);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    plainTextLabels(this);
}

RecordingOptions RecordingOptionsDialog::options() const
{
    RecordingOptions options;
    if (voltsScale)
        options.voltsScale = voltsScale->value();
    if (ampsScale)
        options.ampsScale = ampsScale->value();
    options.channels = channels->text().trimmed();
    return options;
}

std::optional<RecordingChoice> askForRecording(QWidget* parent)
{
    const QString path = QFileDialog::getOpenFileName(
        parent, QStringLiteral("Open Recording"), QString(),
        QStringLiteral("Recordings (*.wav *.csv *.cfg);;All files (*)"));
    if (path.isEmpty())
        return std::nullopt;
    if (hasSuffix(path, "csv"))
        return RecordingChoice{path, {}};
    RecordingOptionsDialog dialog(path, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return RecordingChoice{path, dialog.options()};
}

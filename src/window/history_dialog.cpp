#include "history_dialog.h"

#include "judge_again_dialog.h"
#include "plain_text_labels.h"
#include "record_keeper.h"
#include "report_rows.h"
#include "save_report_dialog.h"
#include "toolkit.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Item data: whether the row is a timed observation.
constexpr int kObservationRole = Qt::UserRole + 1;

bool isObservation(const QTreeWidgetItem* item)
{
    return item->data(0, kObservationRole).toBool();
}

} // namespace

HistoryDialog::HistoryDialog(RecordKeeper& records, Toolkit& toolkit, QWidget* parent)
    : QDialog(parent), m_records(records), m_toolkit(toolkit)
{
    setWindowTitle(QStringLiteral("Measurement History"));
    setModal(true);
    resize(640, 420);
    m_filter = new QLineEdit(this);
    m_filter->setPlaceholderText(
        QStringLiteral("Filter: product, serial, operator, notes, verdict or class"));
    m_filter->setClearButtonEnabled(true);
    m_list = new QTreeWidget(this);
    m_list->setHeaderLabels({QStringLiteral("Id"), QStringLiteral("Time"), QStringLiteral("Class"),
                             QStringLiteral("Verdict"), QStringLiteral("Product"),
                             QStringLiteral("Serial"), QStringLiteral("Kind")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_save = new QPushButton(QStringLiteral("Save Report..."), this);
    m_judge = new QPushButton(QStringLiteral("Judge Again..."), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_save);
    buttons->addWidget(m_judge);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_filter);
    layout->addWidget(m_list);
    layout->addWidget(m_status);
    layout->addLayout(buttons);

    connect(m_filter, &QLineEdit::textChanged, this, &HistoryDialog::reload);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QTreeWidgetItem* item = m_list->currentItem();
        m_save->setEnabled(item != nullptr);
        // A timed observation is judged again on the command line
        // (iec1000 evaluate --record).
        m_judge->setEnabled(item && !isObservation(item));
    });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &HistoryDialog::saveSelected);
    connect(m_save, &QPushButton::clicked, this, &HistoryDialog::saveSelected);
    connect(m_judge, &QPushButton::clicked, this, &HistoryDialog::judgeSelected);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    plainTextLabels(this);
    reload();
}

void HistoryDialog::reload()
{
    m_list->clear();
    m_save->setEnabled(false);
    m_judge->setEnabled(false);
    QString error;
    RecordStore* store = m_records.store(&error);
    const QList<RecordSummary> rows =
        store ? store->history(kShownRecords, m_filter->text(), &error) : QList<RecordSummary>();
    for (const RecordSummary& row : rows) {
        const QString time = row.measuredAt.isValid()
                                 ? row.measuredAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                 : QString();
        const bool observation = heldAsObservation(row.kind);
        QString kind = row.kind == QLatin1String("observation") ? QStringLiteral("Timed observation")
                       : row.kind == QLatin1String("waveform") ? QStringLiteral("Recording")
                                                               : QStringLiteral("Measurement");
        if (row.simulated)
            kind += QStringLiteral(" (%1)").arg(QLatin1String(kSimulatedMark));
        // Stored texts as the text output writes them (escapedText): a bidi
        // control or a line end in a product name reorders or breaks
        // nothing here either.
        auto* item = new QTreeWidgetItem(
            m_list, {QString::number(row.id), time,
                     classWithPower(row.productClass, escapedText(row.power)),
                     observation ? escapedText(row.observationVerdict) : verdictText(row.verdict),
                     escapedText(row.product), escapedText(row.serial), kind});
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        item->setData(0, Qt::UserRole, row.id);
        item->setData(0, kObservationRole, observation);
    }
    if (!error.isEmpty())
        m_status->setText(error);
    else if (rows.size() >= kShownRecords)
        m_status->setText(QStringLiteral("The newest %1 records are shown.").arg(kShownRecords));
    else
        m_status->setText(rows.size() == 1 ? QStringLiteral("1 record.")
                                           : QStringLiteral("%1 records.").arg(rows.size()));
}

std::optional<MeasurementRecord> HistoryDialog::selectedRecord()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item)
        return std::nullopt;
    QString error;
    RecordStore* store = m_records.store(&error);
    std::optional<MeasurementRecord> record =
        store ? store->record(item->data(0, Qt::UserRole).toLongLong(), &error) : std::nullopt;
    if (!record)
        m_toolkit.messageBox(error);
    return record;
}

void HistoryDialog::saveSelected()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    if (item && isObservation(item)) {
        QString error;
        RecordStore* store = m_records.store(&error);
        const std::optional<ObservationRecord> observation =
            store ? store->observation(item->data(0, Qt::UserRole).toLongLong(), &error)
                  : std::nullopt;
        if (!observation)
            m_toolkit.messageBox(error);
        else if (saveObservationReport(*observation, store, m_toolkit, this))
            reload();
        return;
    }
    const std::optional<MeasurementRecord> record = selectedRecord();
    if (!record)
        return;
    const std::optional<ProductInfo> product =
        saveReport(*record, m_records.store(), m_toolkit, this);
    const std::optional<MeasurementRecord>& last = m_records.last();
    if (product && last && last->id == record->id)
        m_records.setLastProduct(*product);
    if (product)
        reload();
}

void HistoryDialog::judgeSelected()
{
    if (const std::optional<MeasurementRecord> record = selectedRecord())
        JudgeAgainDialog(*record, m_toolkit, this).exec();
}

#include "judge_again_dialog.h"

#include "class_evaluation.h"
#include "plain_text_labels.h"
#include "rejudge.h"
#include "save_report_dialog.h"
#include "test_run.h"
#include "toolkit.h"
#include "widget_colours.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// "Pass", "Fail", "Not tested"; empty for a harmonic not judged.
QString cellStateText(CellState state)
{
    if (state == CellState::NotJudged)
        return QString();
    QString words = cellStateWords(state);
    words[0] = words[0].toUpper();
    return words;
}

} // namespace

JudgeAgainDialog::JudgeAgainDialog(const MeasurementRecord& record, Toolkit& toolkit,
                                   QWidget* parent)
    : QDialog(parent), m_record(record), m_toolkit(toolkit)
{
    setWindowTitle(QStringLiteral("Judge Again"));
    setModal(true);
    resize(420, 560);
    m_class = new QComboBox(this);
    for (ProductClass productClass :
         {ProductClass::A, ProductClass::B, ProductClass::C, ProductClass::D})
        m_class->addItem(QStringLiteral("Class ") + classLetter(productClass), int(productClass));
    const int stored = m_class->findData(int(record.result.judgement.productClass));
    m_class->setCurrentIndex(stored >= 0 ? stored : 0);
    const QString storedPower = record.result.judgement.power;
    m_power = new QLineEdit(storedPower.isEmpty() ? QStringLiteral("75") : storedPower, this);
    m_edition = new QComboBox(this);
    for (Edition edition : {Edition::Iec1995, Edition::Iec2018})
        m_edition->addItem(editionTitle(edition), int(edition));
    m_edition->setCurrentIndex(
        std::max(0, m_edition->findData(int(record.result.judgement.edition))));
    m_professional = new QCheckBox(
        QStringLiteral("Professional equipment (Class A above 1 kW not limited)"), this);
    m_professional->setChecked(record.result.judgement.professional);
    m_verdict = new QLabel(this);
    m_verdict->setWordWrap(true);
    QFont bold = m_verdict->font();
    bold.setBold(true);
    m_verdict->setFont(bold);
    m_verdict->setAutoFillBackground(true);
    m_judgement = new QTreeWidget(this);
    m_judgement->setHeaderLabels({QStringLiteral("Harmonic"), QStringLiteral("mA"),
                                  QStringLiteral("Limit"), QStringLiteral("State")});
    m_judgement->setRootIsDecorated(false);
    auto* judge = new QPushButton(QStringLiteral("Judge"), this);
    m_save = new QPushButton(QStringLiteral("Save Report..."), this);
    m_save->setEnabled(false);
    auto* close = new QPushButton(QStringLiteral("Close"), this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Class:"), m_class);
    form->addRow(QStringLiteral("Class D power (W):"), m_power);
    form->addRow(QStringLiteral("Edition:"), m_edition);
    form->addRow(m_professional);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(judge);
    buttons->addWidget(m_save);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_verdict);
    layout->addWidget(m_judgement);
    layout->addLayout(buttons);

    auto powerForD = [this] {
        m_power->setEnabled(ProductClass(m_class->currentData().toInt()) == ProductClass::D);
    };
    powerForD();
    connect(m_class, &QComboBox::currentIndexChanged, this, powerForD);
    connect(judge, &QPushButton::clicked, this, &JudgeAgainDialog::judge);
    connect(m_save, &QPushButton::clicked, this, &JudgeAgainDialog::save);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    plainTextLabels(this);
}

void JudgeAgainDialog::judge()
{
    const auto productClass = ProductClass(m_class->currentData().toInt());
    const ClassDPower power = m_power->text();
    if (productClass == ProductClass::D && !power.inRange()) {
        m_toolkit.messageBox(classDPowerRangeMessage());
        return;
    }
    MeasurementRecord judged = m_record;
    // A report of a judgement the store does not hold.
    judged.id = 0;
    // Under the guard band the record was judged under: the dialog changes
    // the class and its power, the edition and the category.
    ClassChoice choice = judgedChoice(m_record.result.judgement);
    choice.productClass = productClass;
    choice.power = productClass == ProductClass::D ? power : ClassDPower();
    choice.edition = Edition(m_edition->currentData().toInt());
    choice.professional = m_professional->isChecked();
    judged.result = judgeAgain(m_record.result, choice);
    const CycleResult& r = judged.result;
    QString shown = verdictText(r.verdict);
    const QString problem = r.problem.isEmpty() ? r.judgement.evaluation.problem : r.problem;
    if (!problem.isEmpty())
        shown += QStringLiteral(": ") + problem;
    // What the verdict alone does not say: the lab's basis, the edition's notes.
    QStringList more = r.judgement.notes;
    if (labVerdict(r))
        more.prepend(labBasisLine(r.judgement));
    if (!more.isEmpty())
        shown += QLatin1Char('\n') + more.join(QLatin1Char('\n'));
    m_verdict->setText(shown);
    // In the window's verdict colours: Pass on green, the others on red.
    QPalette palette = m_verdict->palette();
    palette.setColor(QPalette::All, QPalette::Window, widgetColour(verdictColour(r.verdict)));
    m_verdict->setPalette(palette);
    m_judgement->clear();
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const auto n = std::size_t(cell);
        new QTreeWidgetItem(m_judgement,
                            {QString::number(harmonicOrder(cell)), r.judgement.currents[n],
                             r.judgement.limits[n], cellStateText(r.judgement.states[n])});
    }
    m_judged = judged;
    m_save->setEnabled(true);
}

void JudgeAgainDialog::save()
{
    if (m_judged)
        saveReport(*m_judged, nullptr, m_toolkit, this);
}

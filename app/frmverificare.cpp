#include "app/frmverificare.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmVerificare::frmVerificare(QString dbPath, QUrl feedBase, MessageSink* messages, QWidget* parent)
    : QDialog(parent), m_dbPath(std::move(dbPath)), m_feedBase(std::move(feedBase)), m_messages(messages) {
    setObjectName(QStringLiteral("frmVerificare"));
    setWindowTitle(QStringLiteral("Verifica istoricul"));
    const auto named = [](QWidget* w, const char* name, const QString& spoken) {
        w->setObjectName(QLatin1String(name));
        w->setAccessibleName(spoken);
    };
    txtRaport = new QPlainTextEdit;
    named(txtRaport, "txtRaport", QStringLiteral("Raportul verificarii"));
    txtRaport->setReadOnly(true);
    txtRaport->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtRaport->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtRaport->setLineWrapMode(QPlainTextEdit::NoWrap);
    lblStare = new QLabel;
    named(lblStare, "lblStare", QStringLiteral("Rezultat"));
    lblStare->setWordWrap(true);
    cmdCopiaza = new QPushButton(QStringLiteral("&Copiaza"));
    named(cmdCopiaza, "cmdCopiaza", QStringLiteral("Copiaza raportul"));
    cmdCorecteaza = new QPushButton(QStringLiteral("C&orecteaza"));
    named(cmdCorecteaza, "cmdCorecteaza", QStringLiteral("Corecteaza istoricul"));
    cmdInchide = new QPushButton(QStringLiteral("I&nchide"));
    named(cmdInchide, "cmdInchide", QStringLiteral("Inchide"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblStare, 1);
    for (QPushButton* b : {cmdCopiaza, cmdCorecteaza, cmdInchide})
        buttons->addWidget(b);
    auto* all = new QVBoxLayout(this);
    all->addWidget(txtRaport, 1);
    all->addLayout(buttons);
    resize(640, 420);
    connect(cmdCopiaza, &QPushButton::clicked, this, &frmVerificare::cmdCopiaza_Click);
    connect(cmdCorecteaza, &QPushButton::clicked, this, &frmVerificare::cmdCorecteaza_Click);
    connect(cmdInchide, &QPushButton::clicked, this, &QDialog::close);
}

void frmVerificare::showReport(HistoryCheck::Report report) {
    m_report = std::move(report);
    txtRaport->setPlainText(m_report.text());
    if (m_report.equal())
        lblStare->setText(QStringLiteral("Istoricul este egal cu fisierele bancii."));
    else if (m_report.changes() > 0)
        lblStare->setText(QStringLiteral("Istoricul difera de fisierele bancii."));
    else
        lblStare->setText(QStringLiteral("Unii ani nu au putut fi verificati."));
    cmdCorecteaza->setEnabled(m_report.changes() > 0);
    txtRaport->setFocus();
}

void frmVerificare::cmdCopiaza_Click() {
    QApplication::clipboard()->setText(txtRaport->toPlainText());
}

void frmVerificare::cmdCorecteaza_Click() {
    if (!m_messages->ask(m_report.repairSummary(), windowTitle())) return;
    FeedClient client(m_feedBase);
    HistoryCheck checker(m_dbPath, client);
    const auto copy = checker.repair(m_report);
    if (!copy) {
        m_messages->show(copy.error(), MessageSink::Icon::Critical, windowTitle());
        return;
    }
    cmdCorecteaza->setEnabled(false);
    lblStare->setText(QStringLiteral("Istoricul a fost corectat."));
    QList<int> years;
    for (const HistoryCheck::Year& y : m_report.years)
        if (!y.findings.empty()) years << y.year;
    emit repaired(years);
    m_messages->show(QStringLiteral("Istoricul a fost corectat dupa fisierele bancii.\rCopia bazei de cursuri de "
                                    "dinainte: %1")
                         .arg(QDir::toNativeSeparators(*copy)),
                     MessageSink::Icon::Information, windowTitle());
}

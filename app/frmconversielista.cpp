#include "app/frmconversielista.h"
#include "core/store/outputfile.h"
#include "core/text/numbertext.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString askWithDialog(bool save, const QString& title, const QString& name, const QString& filter) {
    return save ? QFileDialog::getSaveFileName(nullptr, title, name, filter)
                : QFileDialog::getOpenFileName(nullptr, title, name, filter);
}

} // namespace

frmConversieLista::frmConversieLista(QString dbPath, MessageSink* messages, QWidget* parent)
    : QDialog(parent), m_dbPath(std::move(dbPath)), m_messages(messages), m_askPath(askWithDialog) {
    setObjectName(QStringLiteral("frmConversieLista"));
    setWindowTitle(QStringLiteral("Conversie lista"));
    createControls();
    resize(820, 560);
}

void frmConversieLista::createControls() {
    const auto named = [](QWidget* w, const char* name, const QString& spoken) {
        w->setObjectName(QLatin1String(name));
        w->setAccessibleName(spoken);
    };
    txtIntrare = new QPlainTextEdit;
    named(txtIntrare, "txtIntrare", QStringLiteral("Randurile de convertit"));
    txtIntrare->setPlaceholderText(QStringLiteral("Lipiti aici randurile din foaia de calcul, sau deschideti un fisier "
                                                  "CSV: data; suma; valuta; [lei inregistrati]"));
    txtIntrare->setTabChangesFocus(true);
    cboRegula = new QComboBox;
    named(cboRegula, "cboRegula", QStringLiteral("Cursul folosit"));
    cboRegula->addItems({QStringLiteral("Ziua bancara dinaintea datei (facturi)"),
                         QStringLiteral("Ziua insasi, sau ultima dinainte (reevaluare)")});
    grdRezultat = new QTableWidget;
    named(grdRezultat, "grdRezultat", QStringLiteral("Rezultatul conversiei"));
    grdRezultat->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdRezultat->setTabKeyNavigation(false);
    grdRezultat->verticalHeader()->hide();
    lblStare = new QLabel;
    named(lblStare, "lblStare", QStringLiteral("Stare"));
    lblStare->setWordWrap(true);
    createButtons();
    layOut();
}

void frmConversieLista::createButtons() {
    const auto button = [this](const QString& caption, const char* name, const QString& spoken, auto clicked) {
        auto* b = new QPushButton(caption);
        b->setObjectName(QLatin1String(name));
        b->setAccessibleName(spoken);
        connect(b, &QPushButton::clicked, this, clicked);
        return b;
    };
    cmdDeschide = button(QStringLiteral("&Deschide fisier..."), "cmdDeschide", QStringLiteral("Deschide fisier"),
                         &frmConversieLista::cmdDeschide_Click);
    cmdConverteste = button(QStringLiteral("Con&verteste"), "cmdConverteste", QStringLiteral("Converteste"),
                            &frmConversieLista::cmdConverteste_Click);
    cmdConverteste->setDefault(true);
    cmdCopiaza = button(QStringLiteral("&Copiaza"), "cmdCopiaza", QStringLiteral("Copiaza rezultatul"),
                        &frmConversieLista::cmdCopiaza_Click);
    cmdSalveaza = button(QStringLiteral("&Salveaza CSV"), "cmdSalveaza", QStringLiteral("Salveaza CSV"),
                         &frmConversieLista::cmdSalveaza_Click);
    cmdInchide = button(QStringLiteral("I&nchide"), "cmdInchide", QStringLiteral("Inchide"), &QDialog::close);
    cmdCopiaza->setEnabled(false);
    cmdSalveaza->setEnabled(false);
}

// The rule and the buttons over the rows, the result under them, the outcome and the saves at the bottom.
void frmConversieLista::layOut() {
    auto* caption = new QLabel(QStringLiteral("&Randuri:"));
    caption->setBuddy(txtIntrare);
    auto* ruleCaption = new QLabel(QStringLiteral("C&ursul:"));
    ruleCaption->setBuddy(cboRegula);
    auto* top = new QHBoxLayout;
    top->addWidget(caption);
    top->addStretch();
    top->addWidget(ruleCaption);
    top->addWidget(cboRegula);
    top->addWidget(cmdDeschide);
    top->addWidget(cmdConverteste);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblStare, 1);
    for (QPushButton* b : {cmdCopiaza, cmdSalveaza, cmdInchide})
        bottom->addWidget(b);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(txtIntrare, 1);
    all->addWidget(grdRezultat, 2);
    all->addLayout(bottom);
}

void frmConversieLista::cmdDeschide_Click() {
    const QString path = m_askPath(false, QStringLiteral("Deschide lista"), QString(),
                                   QStringLiteral("Fisiere CSV (*.csv *.txt);;Toate fisierele (*)"));
    if (path.isEmpty()) return;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return m_messages->show(QStringLiteral("Fisierul %1 nu poate fi citit.").arg(path),
                                MessageSink::Icon::Exclamation, windowTitle());
    txtIntrare->setPlainText(QString::fromUtf8(f.readAll()));
    cmdConverteste_Click();
}

void frmConversieLista::cmdConverteste_Click() {
    const auto result =
        ListConversion::convert(m_dbPath, ListConversion::read(txtIntrare->toPlainText()),
                                cboRegula->currentIndex() == 1 ? RateBook::Rule::Same : RateBook::Rule::Before);
    if (!result) return m_messages->show(result.error(), MessageSink::Icon::Critical, windowTitle());
    m_result = *result;
    showResult();
}

void frmConversieLista::showResult() {
    const QStringList header = ListConversion::header();
    grdRezultat->clear();
    grdRezultat->setColumnCount(int(header.size()));
    grdRezultat->setHorizontalHeaderLabels(header);
    grdRezultat->setRowCount(int(m_result.rows.size() + m_result.totals.size()));
    const QString point = QLocale().decimalPoint();
    int r = 0;
    for (const ListConversion::Row& row : m_result.rows) {
        const QStringList cells = ListConversion::cells(row, point.isEmpty() ? u'.' : point.front());
        for (int c = 0; c < cells.size(); ++c)
            grdRezultat->setItem(r, c, new QTableWidgetItem(cells[c]));
        ++r;
    }
    for (const ListConversion::Total& t : m_result.totals) {
        grdRezultat->setItem(r, 0, new QTableWidgetItem(QStringLiteral("total")));
        grdRezultat->setItem(r, 3, new QTableWidgetItem(t.currency));
        // One form for totals and rows: no grouping, the user's decimal separator.
        grdRezultat->setItem(
            r, 2, new QTableWidgetItem(t.amount.fixed(std::max(2, t.amount.decimals()), NumberText::point())));
        grdRezultat->setItem(r, 6, new QTableWidgetItem(t.lei.fixed(2, NumberText::point())));
        ++r;
    }
    grdRezultat->resizeColumnsToContents();
    QString state = m_result.failed == 0
                        ? QStringLiteral("Randuri convertite: %1.").arg(m_result.rows.size())
                        : QStringLiteral("Randuri convertite: %1; neconvertite: %2 (vezi coloana eroare).")
                              .arg(m_result.rows.size() - size_t(m_result.failed))
                              .arg(m_result.failed);
    if (m_result.late > 0)
        state += QStringLiteral(" La %1 lipseste cursul zilei (vezi coloana eroare).").arg(m_result.late);
    lblStare->setText(state);
    cmdCopiaza->setEnabled(!m_result.rows.empty());
    cmdSalveaza->setEnabled(!m_result.rows.empty());
}

void frmConversieLista::cmdCopiaza_Click() {
    QApplication::clipboard()->setText(ListConversion::tsv(m_result));
}

void frmConversieLista::cmdSalveaza_Click() {
    const QString path = m_askPath(true, QStringLiteral("Salveaza CSV"), QStringLiteral("conversie.csv"),
                                   QStringLiteral("Fisiere CSV (*.csv)"));
    if (path.isEmpty()) return;
    // Through a temporary file, never over the history: a failed save leaves an earlier file whole.
    const Status saved =
        OutputFile::write(path, ListConversion::csvBytes(m_result), {{m_dbPath, QStringLiteral("baza de cursuri")}});
    if (!saved) m_messages->show(saved.error(), MessageSink::Icon::Exclamation, windowTitle());
}

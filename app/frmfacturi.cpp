#include "app/frmfacturi.h"
#include "core/store/outputfile.h"
#include "core/text/csvtext.h"
#include "core/text/numbertext.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QStringList askWithDialog(frmFacturi::Ask ask) {
    switch (ask) {
    case frmFacturi::Ask::Files:
        return QFileDialog::getOpenFileNames(nullptr, QStringLiteral("Facturi e-Factura"), QString(),
                                             QStringLiteral("Facturi (*.xml *.zip);;Toate fisierele (*)"));
    case frmFacturi::Ask::Folder: {
        const QString folder = QFileDialog::getExistingDirectory(nullptr, QStringLiteral("Dosar cu facturi"));
        return folder.isEmpty() ? QStringList() : QStringList{folder};
    }
    case frmFacturi::Ask::Save:
        break;
    }
    const QString path = QFileDialog::getSaveFileName(
        nullptr, QStringLiteral("Salveaza CSV"), QStringLiteral("facturi.csv"), QStringLiteral("Fisiere CSV (*.csv)"));
    return path.isEmpty() ? QStringList() : QStringList{path};
}

// The columns of the table: those of the CSV, the verdict and its reason first, where the eye looks.
constexpr int kVerdictColumn = 14;

} // namespace

frmFacturi::frmFacturi(QString dbPath, MessageSink* messages, QWidget* parent)
    : QDialog(parent), m_dbPath(std::move(dbPath)), m_messages(messages), m_ask(askWithDialog) {
    setObjectName(QStringLiteral("frmFacturi"));
    setWindowTitle(QStringLiteral("Facturi e-Factura"));
    setAcceptDrops(true);
    createControls();
    layOut();
    resize(900, 520);
}

void frmFacturi::createControls() {
    const auto button = [this](const QString& caption, const char* name, const QString& spoken, auto clicked) {
        auto* b = new QPushButton(caption);
        b->setObjectName(QLatin1String(name));
        b->setAccessibleName(spoken);
        // Enter in the table is no request to add files: no button takes it.
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, clicked);
        return b;
    };
    cmdFisiere = button(QStringLiteral("&Adauga fisiere..."), "cmdFisiere", QStringLiteral("Adauga fisiere"),
                        &frmFacturi::cmdFisiere_Click);
    cmdDosar = button(QStringLiteral("Adauga &dosar..."), "cmdDosar", QStringLiteral("Adauga dosar"),
                      &frmFacturi::cmdDosar_Click);
    cmdOpreste =
        button(QStringLiteral("&Opreste"), "cmdOpreste", QStringLiteral("Opreste"), &frmFacturi::cmdOpreste_Click);
    cmdCopiaza = button(QStringLiteral("&Copiaza"), "cmdCopiaza", QStringLiteral("Copiaza tabelul"),
                        &frmFacturi::cmdCopiaza_Click);
    cmdSalveaza = button(QStringLiteral("&Salveaza CSV"), "cmdSalveaza", QStringLiteral("Salveaza CSV"),
                         &frmFacturi::cmdSalveaza_Click);
    cmdInchide = button(QStringLiteral("I&nchide"), "cmdInchide", QStringLiteral("Inchide"), &QDialog::close);
    createTable();
    prgFacturi = new QProgressBar;
    prgFacturi->setObjectName(QStringLiteral("prgFacturi"));
    prgFacturi->setAccessibleName(QStringLiteral("Facturi verificate pana acum"));
    prgFacturi->hide();
    lblStare = new QLabel(QStringLiteral("Trageti aici facturi XML, arhive ZIP din SPV sau dosare."));
    lblStare->setObjectName(QStringLiteral("lblStare"));
    lblStare->setAccessibleName(lblStare->text());
    lblStare->setWordWrap(true);
    cmdOpreste->setEnabled(false);
    cmdCopiaza->setEnabled(false);
    cmdSalveaza->setEnabled(false);
}

void frmFacturi::createTable() {
    grdFacturi = new QTableWidget(0, int(InvoiceCheck::header().size()));
    grdFacturi->setObjectName(QStringLiteral("grdFacturi"));
    grdFacturi->setAccessibleName(QStringLiteral("Facturile verificate"));
    grdFacturi->setHorizontalHeaderLabels(InvoiceCheck::header());
    grdFacturi->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdFacturi->setTabKeyNavigation(false);
    grdFacturi->verticalHeader()->hide();
    // The verdict and its reason come first, where a reader looks; the file's name last of the key columns.
    grdFacturi->horizontalHeader()->moveSection(kVerdictColumn, 0);
    grdFacturi->horizontalHeader()->moveSection(kVerdictColumn + 1, 1);
}

void frmFacturi::layOut() {
    auto* top = new QHBoxLayout;
    top->addWidget(cmdFisiere);
    top->addWidget(cmdDosar);
    top->addStretch();
    top->addWidget(prgFacturi);
    top->addWidget(cmdOpreste);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblStare, 1);
    for (QPushButton* b : {cmdCopiaza, cmdSalveaza, cmdInchide})
        bottom->addWidget(b);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(grdFacturi, 1);
    all->addLayout(bottom);
}

void frmFacturi::cmdFisiere_Click() {
    checkPaths(m_ask(Ask::Files));
}

void frmFacturi::cmdDosar_Click() {
    checkPaths(m_ask(Ask::Folder));
}

void frmFacturi::cmdOpreste_Click() {
    m_stop = true;
}

void frmFacturi::dragEnterEvent(QDragEnterEvent* e) {
    if (!m_running && e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void frmFacturi::dropEvent(QDropEvent* e) {
    QStringList paths;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    e->acceptProposedAction();
    checkPaths(paths);
}

void frmFacturi::closeEvent(QCloseEvent* e) {
    m_stop = true;
    QDialog::closeEvent(e);
}

// One file at a time, the window answering between them: a folder of thousands can be watched and stopped.
void frmFacturi::checkPaths(const QStringList& paths) {
    if (paths.isEmpty() || m_running) return;
    RateDb db(m_dbPath);
    if (!db.isOpen()) return m_messages->show(db.openError(), MessageSink::Icon::Critical, windowTitle());
    const QStringList files = InvoiceFiles::expand(paths);
    InvoiceCheck check(db);
    setRunning(true);
    prgFacturi->setRange(0, int(files.size()));
    int done = 0;
    for (const QString& file : files) {
        const auto result = check.check(InvoiceFiles::load(file));
        if (!result) {
            setRunning(false);
            return m_messages->show(result.error(), MessageSink::Icon::Critical, windowTitle());
        }
        addRow(*result);
        prgFacturi->setValue(++done);
        QCoreApplication::processEvents();
        if (m_stop) break;
    }
    setRunning(false);
    showState(done, int(files.size()), done < files.size());
    // The results are what the user came for: the keyboard goes on from them.
    grdFacturi->setFocus();
}

void frmFacturi::setRunning(bool running) {
    m_running = running;
    m_stop = false;
    prgFacturi->setVisible(running);
    cmdOpreste->setEnabled(running);
    cmdFisiere->setEnabled(!running);
    cmdDosar->setEnabled(!running);
    cmdCopiaza->setEnabled(!running && !m_results.empty());
    cmdSalveaza->setEnabled(!running && !m_results.empty());
    if (running) cmdOpreste->setFocus();
}

void frmFacturi::addRow(const InvoiceCheck::Result& r) {
    m_results.push_back(r);
    const int row = grdFacturi->rowCount();
    grdFacturi->insertRow(row);
    const QStringList cells = InvoiceCheck::cells(r, NumberText::point());
    for (int c = 0; c < cells.size(); ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        // The words say the verdict; the colour only helps the eye find the rows to look at.
        if (r.verdict != InvoiceCheck::Verdict::Ok && c == kVerdictColumn) item->setBackground(QColor(255, 224, 224));
        grdFacturi->setItem(row, c, item);
    }
}

void frmFacturi::showState(int done, int total, bool stopped) {
    int counts[5] = {};
    for (const InvoiceCheck::Result& r : m_results)
        ++counts[int(r.verdict)];
    QString text = QStringLiteral("Fisiere: %1; corecte: %2; diferite: %3; fara TVA in lei: %4; necitite: %5; "
                                  "nu sunt facturi: %6.")
                       .arg(m_results.size())
                       .arg(counts[0])
                       .arg(counts[1])
                       .arg(counts[2])
                       .arg(counts[3])
                       .arg(counts[4]);
    if (stopped) text += QStringLiteral(" Oprit dupa %1 din %2 fisiere.").arg(done).arg(total);
    grdFacturi->resizeColumnsToContents();
    lblStare->setText(text);
    lblStare->setAccessibleName(text);
}

void frmFacturi::cmdCopiaza_Click() {
    QString tsv = InvoiceCheck::header().join(u'\t') + u'\n';
    for (const InvoiceCheck::Result& r : m_results)
        tsv += InvoiceCheck::cells(r, NumberText::point()).join(u'\t') + u'\n';
    QApplication::clipboard()->setText(tsv);
}

void frmFacturi::cmdSalveaza_Click() {
    const QStringList path = m_ask(Ask::Save);
    if (path.isEmpty()) return;
    QByteArray csv;
    CsvText::appendLine(csv, InvoiceCheck::header());
    for (const InvoiceCheck::Result& r : m_results)
        CsvText::appendLine(csv, InvoiceCheck::cells(r, CsvText::kDecimal));
    // Through a temporary file, never over the history: a failed save leaves an earlier file whole.
    const Status saved = OutputFile::write(path.front(), csv, {{m_dbPath, QStringLiteral("baza de cursuri")}});
    if (!saved) m_messages->show(saved.error(), MessageSink::Icon::Exclamation, windowTitle());
}

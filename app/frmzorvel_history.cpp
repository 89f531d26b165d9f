// The history window, opened from the rate panel or the table's context menu.
#include "app/frmevolutie.h"
#include "app/frmzorvel.h"

#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QTreeWidget>

void frmZorvel::cmdEvolutie_Click(const QString& currency) {
    QString code = currency;
    // The converter's foreign currency, when it has one; else the euro.
    for (QComboBox* c : {Combo1[0], Combo1[1]})
        if (code.isEmpty() && c->currentIndex() > 0) code = c->currentText();
    if (code.isEmpty()) code = QStringLiteral("EUR");
    if (!m_evolutie) {
        m_evolutie = new frmEvolutie(dbPath(), m_messages, this);
        m_evolutie->setWindowFlag(Qt::Window);
        m_evolutie->setAttribute(Qt::WA_DeleteOnClose);
    }
    const int year = TableYear.toInt();
    m_evolutie->showCurrency(code, year, year);
    m_evolutie->show();
    m_evolutie->raise();
    m_evolutie->activateWindow();
}

void frmZorvel::ListView1_ContextMenu(const QPoint& at) {
    const int column = ListView1->header()->logicalIndexAt(at.x());
    QMenu menu(this);
    QAction* open = nullptr;
    // The date column has no history of its own.
    const QString code = column > 0 ? ListView1->headerItem()->text(column).replace(u' ', u'_') : QString();
    if (!code.isEmpty()) open = menu.addAction(QStringLiteral("Evolutie curs %1").arg(code));
    QAction* check = menu.addAction(QStringLiteral("&Verifica istoricul..."));
    QAction* import = menu.addAction(QStringLiteral("&Importa istoric Access..."));
    QAction* chosen = menu.exec(ListView1->viewport()->mapToGlobal(at));
    if (chosen && chosen == open) cmdEvolutie_Click(code);
    if (chosen && chosen == check) mnuVerifica_Click();
    if (chosen && chosen == import) mnuImportAccess_Click();
}

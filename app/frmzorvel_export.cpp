// Hands one day's rates to the spreadsheet program.
#include "app/datepicker.h"
#include "app/frmzorvel.h"
#include "core/export/spreadsheetexport.h"
#include "core/money/localcurrency.h"

#include <QApplication>

void frmZorvel::cmdExcel_Click() {
    if (m_exporting) return;
    m_exporting = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SpreadsheetExport exporter(m_env.exportHelper, workbookPath());
    const UserMessage said =
        exporter.exportDayBefore(dbPath(), DTPicker1->date(), LocalCurrency{LocalCurrencyName, TableSuffix});
    QApplication::restoreOverrideCursor();
    m_exporting = false;
    message(said);
}

#pragma once

#include "app/messagesink.h"
#include "core/invoice/invoicecheck.h"

#include <QDialog>
#include <functional>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

// "Facturi e-Factura": the VAT in lei of the invoices a bookkeeper received, checked at the
// bank's rate the law applies. Files, SPV ZIPs and folders come by the buttons or dropped on
// the window; each file gets a row with its verdict in words; a long folder shows its progress
// and can be stopped. The table is copied as a spreadsheet pastes it or saved as CSV.
//
// Controls: cmdFisiere, cmdDosar, grdFacturi, prgFacturi, cmdOpreste, lblStare, cmdCopiaza,
// cmdSalveaza and cmdInchide.
class frmFacturi : public QDialog {
    Q_OBJECT
public:
    enum class Ask { Files, Folder, Save };
    // Asks the user for paths; empty when they cancel.
    using AskPaths = std::function<QStringList(Ask)>;

    frmFacturi(QString dbPath, MessageSink* messages, QWidget* parent = nullptr);
    void setAskPaths(AskPaths ask) { m_ask = std::move(ask); }
    // Checks files, ZIPs and folders, adding a row for each file.
    void checkPaths(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private slots:
    void cmdFisiere_Click();
    void cmdDosar_Click();
    void cmdOpreste_Click();
    void cmdCopiaza_Click();
    void cmdSalveaza_Click();

private:
    void createControls();
    void createTable();
    void layOut();
    void addRow(const InvoiceCheck::Result& r);
    void showState(int done, int total, bool stopped);
    void setRunning(bool running);

    QString m_dbPath;
    MessageSink* m_messages;
    AskPaths m_ask;
    std::vector<InvoiceCheck::Result> m_results;
    bool m_running = false;
    bool m_stop = false;

    QPushButton* cmdFisiere = nullptr;
    QPushButton* cmdDosar = nullptr;
    QTableWidget* grdFacturi = nullptr;
    QProgressBar* prgFacturi = nullptr;
    QPushButton* cmdOpreste = nullptr;
    QLabel* lblStare = nullptr;
    QPushButton* cmdCopiaza = nullptr;
    QPushButton* cmdSalveaza = nullptr;
    QPushButton* cmdInchide = nullptr;
};

#pragma once

#include "app/messagesink.h"
#include "core/update/historycheck.h"

#include <QDialog>
#include <QUrl>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// "Verifica istoricul": the result of proving the stored history against the
// bank's yearly files, one line a year and its findings under it, copyable as
// text. "Corecteaza" makes the history the bank's after the user confirms a
// summary of the changes; the copy written before them is named.
//
// Controls: txtRaport (the report), lblStare (the outcome in a line), and the
// buttons cmdCopiaza, cmdCorecteaza and cmdInchide.
class frmVerificare : public QDialog {
    Q_OBJECT
public:
    frmVerificare(QString dbPath, QUrl feedBase, MessageSink* messages, QWidget* parent = nullptr);
    void showReport(HistoryCheck::Report report);

signals:
    // The history of these years was changed: what shows them must read them again.
    void repaired(const QList<int>& years);

private slots:
    void cmdCopiaza_Click();
    void cmdCorecteaza_Click();

private:
    QString m_dbPath;
    QUrl m_feedBase;
    MessageSink* m_messages;
    HistoryCheck::Report m_report;

    QPlainTextEdit* txtRaport = nullptr;
    QLabel* lblStare = nullptr;
    QPushButton* cmdCopiaza = nullptr;
    QPushButton* cmdCorecteaza = nullptr;
    QPushButton* cmdInchide = nullptr;
};

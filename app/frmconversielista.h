#pragma once

#include "app/messagesink.h"
#include "core/money/listconversion.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// "Conversie lista": many amounts at once. The rows (date, amount, currency and,
// optionally, the lei as booked) are pasted from a spreadsheet or read from a CSV
// file; the result shows each row with its rate's day, rate and lei, a total per
// currency, and the reason for every row that could not be converted. It is
// copied as a spreadsheet pastes it or saved as CSV.
//
// Controls: txtIntrare (the rows), cboRegula (which day's rate), grdRezultat, lblStare,
// and the buttons cmdDeschide, cmdConverteste, cmdCopiaza, cmdSalveaza and cmdInchide.
class frmConversieLista : public QDialog {
    Q_OBJECT
public:
    // Asks for a file: a title, a suggested name and a filter; empty when the user cancels.
    using AskPath = std::function<QString(bool save, const QString&, const QString&, const QString&)>;

    frmConversieLista(QString dbPath, MessageSink* messages, QWidget* parent = nullptr);
    void setAskPath(AskPath ask) { m_askPath = std::move(ask); }

private slots:
    void cmdDeschide_Click();
    void cmdConverteste_Click();
    void cmdCopiaza_Click();
    void cmdSalveaza_Click();

private:
    void createControls();
    void createButtons();
    void layOut();
    void showResult();

    QString m_dbPath;
    MessageSink* m_messages;
    AskPath m_askPath;
    ListConversion::Result m_result;

    QPlainTextEdit* txtIntrare = nullptr;
    QComboBox* cboRegula = nullptr;
    QTableWidget* grdRezultat = nullptr;
    QLabel* lblStare = nullptr;
    QPushButton* cmdDeschide = nullptr;
    QPushButton* cmdConverteste = nullptr;
    QPushButton* cmdCopiaza = nullptr;
    QPushButton* cmdSalveaza = nullptr;
    QPushButton* cmdInchide = nullptr;
};

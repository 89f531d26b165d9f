#include "app/messagesink.h"

#include <QMessageBox>
#include <QPushButton>

void MessageBoxSink::show(const QString& text, Icon icon, const QString& title) {
    QMessageBox box(m_parent && m_parent->isVisible() ? m_parent : nullptr);
    box.setWindowTitle(title);
    // A lone carriage return is a line break in the program's texts.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    box.setText(shown);
    box.setIcon(icon == Icon::Information   ? QMessageBox::Information
                : icon == Icon::Exclamation ? QMessageBox::Warning
                                            : QMessageBox::Critical);
    box.setStandardButtons(QMessageBox::Ok);
    // Folder paths and error details can be copied from the box.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
}

bool MessageBoxSink::ask(const QString& text, const QString& title) {
    QMessageBox box(m_parent && m_parent->isVisible() ? m_parent : nullptr);
    box.setWindowTitle(title);
    box.setText(QString(text).replace(u'\r', u'\n'));
    box.setIcon(QMessageBox::Question);
    QPushButton* yes = box.addButton(QStringLiteral("&Da"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&Nu"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

#include "tests/support/windowcontrols.h"

#include "app/datepicker.h"
#include "controls/xlinklabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

template <typename T> void find(const QWidget& window, const QString& name, T*& into) {
    into = window.findChild<T*>(name);
    if (!into) ADD_FAILURE() << "no control named " << name.toStdString();
}

// A control array's elements are named "Name(i)".
template <typename T, size_t N> void find(const QWidget& window, const QString& name, std::array<T*, N>& into) {
    for (size_t i = 0; i < N; ++i)
        find(window, QStringLiteral("%1(%2)").arg(name).arg(i), into[i]);
}

} // namespace

WindowControls::WindowControls(const QWidget& w) {
    find(w, QStringLiteral("Frame1"), Frame1);
    find(w, QStringLiteral("Label2"), Label2);
    find(w, QStringLiteral("Combo2"), Combo2);
    find(w, QStringLiteral("ListView1"), ListView1);
    find(w, QStringLiteral("Label6"), Label6);
    find(w, QStringLiteral("cmdExcel"), cmdExcel);
    find(w, QStringLiteral("cmdEvolutie"), cmdEvolutie);
    find(w, QStringLiteral("Command4"), Command4);
    find(w, QStringLiteral("Command3"), Command3);
    find(w, QStringLiteral("DTPicker1"), DTPicker1);
    find(w, QStringLiteral("Text1"), Text1);
    find(w, QStringLiteral("Combo1"), Combo1);
    find(w, QStringLiteral("Text2"), Text2);
    find(w, QStringLiteral("Command1"), Command1);
    find(w, QStringLiteral("Label3"), Label3);
    find(w, QStringLiteral("Text3"), Text3);
    find(w, QStringLiteral("Label5"), Label5);
    find(w, QStringLiteral("Check1"), Check1);
    find(w, QStringLiteral("chkPrinc"), chkPrinc);
    find(w, QStringLiteral("Command2"), Command2);
    find(w, QStringLiteral("Frame2"), Frame2);
    find(w, QStringLiteral("XLinkLabel1"), XLinkLabel1);
}

#pragma once

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class DatePicker;
class XLinkLabel;

// The main window's controls, found by their given names as a user's tools
// (and a screen reader) find them; the window keeps its own pointers private.
struct WindowControls {
    explicit WindowControls(const QWidget& window);

    std::array<QGroupBox*, 3> Frame1{};
    std::array<QLabel*, 3> Label2{};
    QComboBox* Combo2 = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QLabel* Label6 = nullptr;
    QPushButton* cmdExcel = nullptr;
    QPushButton* cmdEvolutie = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command3 = nullptr;
    DatePicker* DTPicker1 = nullptr;
    QLineEdit* Text1 = nullptr;
    std::array<QComboBox*, 2> Combo1{};
    QLineEdit* Text2 = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Label3 = nullptr;
    std::array<QLineEdit*, 6> Text3{};
    QLabel* Label5 = nullptr;
    std::array<QCheckBox*, 3> Check1{};
    QCheckBox* chkPrinc = nullptr;
    QPushButton* Command2 = nullptr;
    QGroupBox* Frame2 = nullptr;
    std::array<XLinkLabel*, 2> XLinkLabel1{};
};

#include "app/windowdesign.h"

#include "app/panellayout.h"

#include <QWidget>

namespace {

// In the order the window is built: the rate panel, the converter, the VAT line, the row below them and the links.
constexpr ControlDesign kControls[] = {
    {"Frame1(0)", "QGroupBox", "Curs valutar", 60, 0, 9075, 3315},
    {"Label2(0)", "QLabel", "Curs licitat", 120, 300, 1275, 195},
    {"Label2(1)", "QLabel", "Ultimul curs valutar:", 2400, 300, 3015, 195},
    {"Label2(2)", "QLabel", "", 4140, 300, 1455, 195},
    {"Label1(0)", "QLabel", "An", 7260, 240, 315, 195},
    {"Combo2", "QComboBox", nullptr, 7560, 180, 1455, 315},
    {"ListView1", "QTreeWidget", nullptr, 120, 540, 8895, 2235},
    {"Label6", "QLabel",
     "     Daca utilizati aplicatia si pe un calculator fara aces la internet, puteti transfera baza de date cu "
     "cursul valutar pe calculatorul respectiv.",
     120, 2820, 5235, 435},
    {"cmdExcel", "QPushButton", "E&xcel", 5520, 2880, 855, 315},
    // The row of buttons below the table has no room left; the history sits by the year it follows.
    {"cmdEvolutie", "QPushButton", "&Evolutie", 5880, 180, 1215, 315},
    {"Command4", "QPushButton", "&Salveaza curs", 6600, 2880, 1215, 315},
    {"Command3", "QPushButton", "&Incarca curs", 7860, 2880, 1095, 315},
    {"Frame1(1)", "QGroupBox", "Convertor valutar", 60, 3360, 9075, 1215},
    {"Label1(6)", "QLabel", "Data aaaa/ll/zz", 120, 240, 1275, 195},
    {"DTPicker1", "DatePicker", nullptr, 120, 480, 1455, 315},
    {"Label1(2)", "QLabel", "Transforma", 1680, 240, 855, 255},
    {"Text1", "QLineEdit", "0", 1620, 480, 1395, 285},
    {"Label1(3)", "QLabel", "Din", 3060, 240, 315, 195},
    {"Combo1(0)", "QComboBox", nullptr, 3060, 480, 1635, 315},
    {"Label1(4)", "QLabel", "In", 4740, 240, 315, 195},
    {"Combo1(1)", "QComboBox", nullptr, 4740, 480, 1635, 315},
    {"Label1(5)", "QLabel", "=", 6420, 540, 315, 195},
    {"Label1(7)", "QLabel", "Rezultat", 6600, 240, 795, 195},
    {"Text2", "QLineEdit", "0", 6600, 480, 1395, 285},
    {"Command1", "QPushButton", "&Copie", 8100, 480, 795, 315},
    {"Label3", "QLabel",
     "Selectati data pentru care doriti sa faceti conversia valutara!   Este utilizat cursul BNR licitat in ziua "
     "anterioara.",
     480, 900, 7755, 195},
    {"Frame1(2)", "QGroupBox", "TVA calculator", 60, 4620, 9075, 975},
    {"Label4(0)", "QLabel", "Cantitatea", 180, 300, 1335, 195},
    {"Label4(1)", "QLabel", "PU Fara TVA", 1560, 300, 1335, 195},
    {"Label4(2)", "QLabel", "Valoare fara TVA", 2940, 300, 1335, 195},
    {"Label4(3)", "QLabel", "TVA", 4320, 300, 1335, 195},
    {"Label4(4)", "QLabel", "Valoare totala", 5700, 300, 1335, 195},
    {"Label4(5)", "QLabel", "Cota TVA %", 7620, 300, 1335, 195},
    {"Text3(0)", "QLineEdit", "1", 180, 600, 1335, 285},
    {"Text3(1)", "QLineEdit", "0", 1560, 600, 1335, 285},
    {"Text3(2)", "QLineEdit", "0", 2940, 600, 1335, 285},
    {"Text3(3)", "QLineEdit", "0", 4320, 600, 1335, 285},
    {"Text3(4)", "QLineEdit", "0", 5700, 600, 1335, 285},
    {"Text3(5)", "QLineEdit", "24", 7620, 600, 1335, 285},
    {"Label5", "QLabel", "Afiseaza", 120, 5640, 675, 255},
    {"Check1(0)", "QCheckBox", "Curs valutar", 900, 5640, 1275, 315},
    {"Check1(1)", "QCheckBox", "Convertor valutar", 2160, 5640, 1515, 315},
    {"Check1(2)", "QCheckBox", "TVA calculator", 3720, 5640, 1395, 315},
    {"chkPrinc", "QCheckBox", "Toate Valutele", 5220, 5640, 1515, 315},
    {"Command2", "QPushButton", "&Actualizeaza curs valutar", 6960, 5640, 2175, 315},
    {"Frame2", "QGroupBox", "Link-uri utile", 60, 6000, 9075, 555},
    {"XLinkLabel1(0)", "XLinkLabel", nullptr, 180, 240, 2415, 195},
    {"XLinkLabel1(1)", "XLinkLabel", nullptr, 6240, 240, 2715, 195},
    // Between the links, a notice that goes away by itself (the day's rates arrived).
    {"lblAnunt", "QLabel", "", 2700, 240, 3450, 195},
};

} // namespace

std::span<const ControlDesign> WindowDesign::controls() {
    return kControls;
}

const ControlDesign& WindowDesign::of(const QString& name) {
    for (const ControlDesign& c : kControls)
        if (name == QLatin1String(c.name)) return c;
    qFatal("no design for control %s", qPrintable(name));
}

void WindowDesign::place(QWidget* control, const QString& name) {
    const ControlDesign& d = of(name);
    control->setObjectName(name);
    control->setGeometry(PanelLayout::px(d.left), PanelLayout::px(d.top), PanelLayout::px(d.width),
                         PanelLayout::px(d.height));
}

#pragma once

#include <QString>
#include <span>

class QWidget;

// The main window as designed: each control's given name (also its objectName), its
// kind, its caption and its place inside its parent in twips. The window is built
// from this table and its tests check the built window against it.
struct ControlDesign {
    const char* name;
    const char* kind;    // the Qt class it is made of
    const char* caption; // nullptr: it has none of its own (lists, the date, the links)
    int left, top, width, height;
};

namespace WindowDesign {

std::span<const ControlDesign> controls();
// The design of one control; a name not in the table is a programming error.
const ControlDesign& of(const QString& name);
// Names the control and puts it where the design places it inside its parent.
void place(QWidget* control, const QString& name);

} // namespace WindowDesign

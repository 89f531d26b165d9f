#include "app/panellayout.h"

#include <cmath>

int PanelLayout::px(int twips) {
    return int(std::lround(double(twips) / TwipsPerPixel));
}

PanelLayout PanelLayout::compute(const Input& in) {
    PanelLayout l;
    int top = 0;
    for (int i = 0; i < 3; ++i) {
        l.panelVisible[i] = in.shown[i];
        l.panelTop[i] = top; // hidden panels keep whatever top; only visible ones matter
        if (in.shown[i]) top = in.panelHeight[i] + top + Gap;
    }
    l.rowTop = top;
    top = in.rowHeight + top + Gap;
    l.linksTop = top;
    l.updateButtonVisible = in.shown[1] || in.shown[0];
    l.outerHeight = in.linksHeight + top + OuterMargin;
    return l;
}

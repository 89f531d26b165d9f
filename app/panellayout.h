#pragma once

#include <array>

// Stacks the visible panels one under the other, all in twips, so hidden panels
// take no room and the window shrinks to fit.
struct PanelLayout {
    // The design is measured in twips; a pixel of the 96 dpi screen it was drawn for is 15 of them.
    static constexpr int TwipsPerPixel = 15;
    static int px(int twips);
    static int twips(int pixels) { return pixels * TwipsPerPixel; }

    static constexpr int Gap = 60;
    static constexpr int OuterMargin = 400; // below the links panel, title bar and border included

    struct Input {
        std::array<bool, 3> shown{true, true, true};
        std::array<int, 3> panelHeight{3315, 1215, 975};
        int rowHeight = 315; // the update button's height
        int linksHeight = 555;
    };

    std::array<bool, 3> panelVisible{};
    std::array<int, 3> panelTop{};
    int rowTop = 0;
    bool updateButtonVisible = false;
    int linksTop = 0;
    int outerHeight = 0;

    static PanelLayout compute(const Input& in);
};

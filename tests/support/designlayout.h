#pragma once

#include <array>

// The window's stacking as the design gives it, in twips: one table that both the
// layout arithmetic and the real window are checked against.
struct DesignStacking {
    std::array<bool, 3> shown;
    std::array<int, 3> tops; // -1: hidden
    int row, links, outer;
    bool update;
};

inline constexpr DesignStacking kDesignStackings[] = {
    {{true, true, true}, {0, 3375, 4650}, 5685, 6060, 7015, true},
    {{false, false, true}, {-1, -1, 0}, 1035, 1410, 2365, false},
    {{false, false, false}, {-1, -1, -1}, 0, 375, 1330, false},
    {{false, true, true}, {-1, 0, 1275}, 2310, 2685, 3640, true},
    {{true, false, false}, {0, -1, -1}, 3375, 3750, 4705, true},
    {{false, true, false}, {-1, 0, -1}, 1275, 1650, 2605, true},
};

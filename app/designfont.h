#pragma once

#include <QFont>

// The face and size the design's captions were measured in, or one with its widths.
QFont designFont();

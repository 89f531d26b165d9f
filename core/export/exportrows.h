#pragma once

#include <string>
#include <vector>

// One day's rates for the first sheet, as every spreadsheet helper is handed them: field
// names, and the values as text (the date as yyyy-mm-dd, rates as decimal numbers with
// a point, empty for none).
struct ExportRows {
    std::vector<std::string> names;
    std::vector<std::string> values;
};

#pragma once

#include <istream>
#include <sstream>
#include <string>
#include <vector>

// One day's rates for the first sheet, as every spreadsheet helper is handed them: field
// names, and the values as text (the date as yyyy-mm-dd, rates as decimal numbers with
// a point, empty for none).
struct ExportRows {
    std::vector<std::string> names;
    std::vector<std::string> values;
};

// The two tab-separated lines the program writes to a helper's standard input (a line end
// of CR LF read as LF); false when they are missing or do not pair up.
inline bool readExportRows(std::istream& in, ExportRows& rows) {
    const auto fields = [](std::string line) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> out;
        std::string field;
        std::istringstream split(line);
        while (std::getline(split, field, '\t'))
            out.push_back(field);
        if (!line.empty() && line.back() == '\t') out.emplace_back();
        return out;
    };
    std::string line;
    if (std::getline(in, line)) rows.names = fields(line);
    if (std::getline(in, line)) rows.values = fields(line);
    return !rows.names.empty() && rows.names.size() == rows.values.size();
}

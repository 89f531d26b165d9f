#pragma once

// The spreadsheet helper's exit status. The helper (a program of its own, without
// Qt) and the window's export both read these numbers from this one header.
enum class ExportStatus { Written = 0, Failed = 1, Refused = 2, CannotStart = 3 };

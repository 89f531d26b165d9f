#pragma once

#include "cli/clishared.h"

#include <vector>

// The actions of the command line, one table: what chooses each, the options it
// takes, what --help says of it and the function that runs it (one file an action).
struct CliOption {
    const char* name;
    const char* value = nullptr;    // the value's name in --help; none for a switch
    const char* fallback = nullptr; // the value when the option is not given
};

struct CliAction {
    CliOption option;                       // the option that chooses the action
    std::vector<CliOption> options;         // the other options it takes
    bool positional = false;                // it takes arguments after its options
    Cli::Format output = Cli::Format::Text; // what it writes when no --format is given
    int (*run)(const Cli::Request&, const Cli::Context&, QTextStream& out, QTextStream& err);
    const char* help; // its lines of --help, each indented as the others
};

const std::vector<CliAction>& cliActions();

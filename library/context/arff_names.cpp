#include "context/arff_names.h"

namespace tessar {

std::string arff_quote(const std::string& name) {
    bool needs_quotes = name == "?" || name.find_first_of(" \t,{}'\"%") != std::string::npos;
    if (!needs_quotes) return name;
    std::string quoted = "'";
    for (char c : name) {
        if (c == '\\' || c == '\'') quoted += '\\';
        quoted += c;
    }
    quoted += '\'';
    return quoted;
}

}  // namespace tessar

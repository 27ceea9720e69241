#include "methods/table.h"

namespace tessar {

// Each defined in its method's folder (method.cpp there).
extern const Method kMotifsMethod;
extern const Method kNgramsMethod;
extern const Method kDisclassMethod;
extern const Method kDdmsMethod;
extern const Method kBincodMethod;

const std::vector<const Method*>& methods() {
    static const std::vector<const Method*> table = {&kMotifsMethod, &kNgramsMethod, &kDisclassMethod,
                                                     &kDdmsMethod, &kBincodMethod};
    return table;
}

const Method* find_method(std::string_view name) {
    for (const Method* m : methods())
        if (name == m->name) return m;
    return nullptr;
}

std::string model_method_names() {
    std::vector<const char*> names;
    for (const Method* m : methods())
        if (m->row_coder) names.push_back(m->name);
    std::string text;
    for (size_t i = 0; i < names.size(); ++i)
        text += std::string(i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return text;
}

}  // namespace tessar

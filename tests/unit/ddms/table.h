// Columns of a descriptor table, for the tests' comparisons.
#pragma once

#include <string>
#include <vector>

#include "ddms/grouping.h"

namespace tessar {

// The columns of a descriptor table, for comparisons.
inline std::vector<std::string> texts_of(const DescriptorTable& t) {
    std::vector<std::string> v;
    for (const DdmsDescriptor& d : t.entries) v.push_back(d.text);
    return v;
}
inline std::vector<float> pms_of(const DescriptorTable& t) {
    std::vector<float> v;
    for (const DdmsDescriptor& d : t.entries) v.push_back(d.pm);
    return v;
}
inline std::vector<std::string> classes_of(const DescriptorTable& t) {
    std::vector<std::string> v;
    for (const DdmsDescriptor& d : t.entries) v.push_back(d.class_name);
    return v;
}
inline void set_pms(DescriptorTable& t, const std::vector<float>& pms) {
    for (size_t i = 0; i < pms.size(); ++i) t[i].pm = pms[i];
}
inline void set_classes(DescriptorTable& t, const std::vector<std::string>& names) {
    for (size_t i = 0; i < names.size(); ++i) t[i].class_name = names[i];
}

}  // namespace tessar

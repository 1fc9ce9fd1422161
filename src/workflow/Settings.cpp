#include "workflow/Settings.h"

namespace quillon {

std::string Settings::Get(const std::string& key) {
    return Values[key];
}

bool Settings::Contains(const std::string& key) const {
    return Values.count(key) != 0;
}

void Settings::Set(const std::string& key, const std::string& value) {
    Values[key] = value;
}

} // namespace quillon

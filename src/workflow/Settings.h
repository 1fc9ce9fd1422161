// The configuration: text values by key, ordered and compared byte by byte. Filled once at
// start-up; each reader compares the text itself.
#pragma once

#include <map>
#include <string>

namespace quillon {

class Settings {
public:
    // The value; a missing key is first inserted with the empty value, so an unset folder reads
    // as the empty text.
    std::string Get(const std::string& key);
    bool Contains(const std::string& key) const;
    void Set(const std::string& key, const std::string& value);

private:
    std::map<std::string, std::string> Values;
};

} // namespace quillon

#include "bench/XmlBench.h"

#include "bench/BenchSupport.h"
#include "catalogue/XmlFile.h"
#include "samples/SampleDocuments.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace quillon {

namespace {

// `unit` repeated to fill `bytes`, between `before` and `after`.
std::string Filled(const std::string& before, const std::string& unit, const std::string& after,
                   std::size_t bytes) {
    std::string text = before;
    while (text.size() + unit.size() + after.size() <= bytes) {
        text += unit;
    }
    return text + after;
}

} // namespace

void BenchXml(int runs) {
    const std::size_t cap = static_cast<std::size_t>(MaxXmlFileSize);
    std::string deep;
    const std::size_t levels = (cap - 1) / 7; // "<a>" and "</a>" a level
    for (std::size_t i = 0; i < levels; ++i) {
        deep += "<a>";
    }
    for (std::size_t i = 0; i < levels; ++i) {
        deep += "</a>";
    }
    std::string attributes = "<a";
    for (std::size_t i = 0; attributes.size() + 16 < cap; ++i) {
        attributes += " a" + std::to_string(i) + "=''";
    }
    attributes += "/>";
    std::string set;
    for (int i = 0; i < 40; ++i) {
        set += SetXml("Set" + std::to_string(i), "textures\\set",
                      {{"A", ChannelXml("Color", "a_d", 1024, true, false)},
                       {"B", ChannelXml("Normal", "a_n", 1024, true, true)}});
    }
    const std::vector<std::pair<const char*, std::string>> files = {
        {"4 MiB nested as deep as it goes", deep},
        {"4 MiB of attributes on one element", attributes},
        {"4 MiB of sibling elements", Filled("<r>", "<a/>", "</r>", cap)},
        {"a set definition of 80 channels", set},
    };
    std::printf("XML files (median of %d reads)\n", runs);
    for (const auto& [name, text] : files) {
        std::vector<double> times;
        bool loaded = false;
        for (int run = 0; run < runs; ++run) {
            times.push_back(Seconds([&, text = std::string_view(text)] {
                pugi::xml_document document;
                loaded = static_cast<bool>(ParseXmlBytes(text, document));
            }));
        }
        std::printf("  %-40s %8zu bytes %7.1f ms  %s\n", name, text.size(), Median(times) * 1000,
                    loaded ? "read" : "refused");
    }
    std::printf("\n");
}

} // namespace quillon

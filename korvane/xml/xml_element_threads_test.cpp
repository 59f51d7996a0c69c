// Elements of one shared block deleted by different threads at once: the block is freed exactly
// once, after its last element (ThreadSanitizer and AddressSanitizer see a race or a double free).
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace kvKorvaneV10_0_3::XML {
namespace {

TEST(XMLElementBulkThreads, TreesSharingBlocksAreDeletedOnTwoThreadsAtOnce) {
    std::string doc = "<list>";
    for (int i = 0; i < 2000; ++i) {
        doc += "<item n=\"" + std::to_string(i) + "\">text</item>";
    }
    doc += "</list>";
    for (int round = 0; round < 20; ++round) {
        CXMLElement root;
        {
            CXMLTreeBuilder builder(root);
            ASSERT_EQ(
                builder.BuildFromSingleBuffer(doc.data(), static_cast<unsigned int>(doc.size())),
                eNoErr);
        }
        // Alternate children go to two trees, so every block has elements in both.
        auto even = std::make_unique<CXMLElement>("even", "");
        auto odd = std::make_unique<CXMLElement>("odd", "");
        for (std::size_t i = 0; i < root.GetSubElements().size(); ++i) {
            (i % 2 == 0 ? even : odd)->push_back(root.GetSubElements()[i]);
        }
        // Now owned by the new trees: the old parent lets go without deleting them (the tree has
        // no call for that).
        const_cast<std::vector<CXMLElement*>&>(root.GetSubElements()).clear();
        ASSERT_EQ(even->GetSubElements().size(), 1000U);
        std::thread first([&] { even.reset(); });
        std::thread second([&] { odd.reset(); });
        first.join();
        second.join();
    }
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::XML

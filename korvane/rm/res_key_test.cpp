// Resource keys: identifiers, qualifiers and the names that would leave a container.
#include "korvane/rm/res_key.h"

#include <gtest/gtest.h>

#include <string>

namespace kvKorvaneV10_0_3::RM {
namespace {

TEST(ResKey, IdentifiersAndQualifiedNames) {
    const KCResKey numeric("PNG_", static_cast<short>(-128));
    EXPECT_STREQ(numeric.GetName().c_str(), "-128");
    short id = 0;
    EXPECT_TRUE(numeric.GetID(id));
    EXPECT_EQ(id, -128);
    EXPECT_FALSE(KCResKey("PNG_", "40000").GetID(id));  // beyond a short
    EXPECT_FALSE(KCResKey("PNG_", "12a").GetID(id));
    EXPECT_FALSE(KCResKey("PNG_", "-").GetID(id));

    const KCResKey qualified("XML_", "Info", "abcd");
    EXPECT_STREQ(qualified.GetQualifiedName().c_str(), "Info?abcd");
    EXPECT_FALSE(qualified == KCResKey("XML_", "Info"));
    EXPECT_TRUE(KCResKey("XML_", "Info") < qualified);
}

TEST(ResKey, NamesThatWouldEscapeAreUnsafe) {
    EXPECT_TRUE(KCResKey("PNG_", "knob").IsSafe());
    EXPECT_TRUE(KCResKey("PNG_", "...png").IsSafe());  // dots alone are a legal name
    for (const char* name : {"", ".", "..", "../x", "a/b", "a\\b", "a?b"}) {
        EXPECT_FALSE(KCResKey("PNG_", name).IsSafe()) << name;
    }
    EXPECT_FALSE(KCResKey("..", "knob").IsSafe());
    EXPECT_FALSE(KCResKey("a/b", "knob").IsSafe());
    EXPECT_FALSE(KCResKey("PNG_", "knob", "../x").IsSafe());
    // A name cut to fit the key could name another file: refused rather than cut.
    EXPECT_FALSE(KCResKey("PNG_", std::string(300, 'a').c_str()).IsSafe());
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::RM

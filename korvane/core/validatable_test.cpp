// Validity: the object's own verdict and the stored error both count.
#include "korvane/core/validatable.h"

#include <gtest/gtest.h>

namespace kvKorvaneV10_0_3 {
namespace {

struct Door : KUValidatable {
    bool open = true;
    [[nodiscard]] bool IsValidSelf() const override { return open; }
};

TEST(Validatable, OwnVerdictAndStoredError) {
    Door door;
    int error = 1;
    EXPECT_TRUE(door.IsValid(error));
    EXPECT_EQ(error, eNoErr);
    const Door& constDoor = door;
    constDoor.SetError(eFMFileNotFound);
    EXPECT_FALSE(door.IsValid(error));
    EXPECT_EQ(error, eFMFileNotFound);
    EXPECT_STREQ(door.ErrorName(), "eFMFileNotFound");
    door.SetError(eNoErr);
    door.open = false;
    EXPECT_FALSE(door.IsValid());
    EXPECT_EQ(door.GetError(), eNoErr);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3

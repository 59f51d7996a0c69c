// The modifier keys, shared by input events and by the parameter registrations that ask for them.
#pragma once

#include <cstdint>

namespace kvKorvaneV10_0_3 {

// In this order everywhere a set of four modifier booleans is stored.
enum KEModifier : std::uint8_t { eModPrimary = 0, eModSecondary, eModShift, eModAlt, eModCount };

}  // namespace kvKorvaneV10_0_3

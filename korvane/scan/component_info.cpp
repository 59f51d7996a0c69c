// Names of the shell types.
#include "korvane/scan/component_info.h"

namespace kvKorvaneV10_0_3 {

const char* KorvaneComponentInfo::TypeToString(int type) {
    static constexpr const char* kNames[] = {"UnknownPluginType", "KorvanePlugin", "VSTPlugin",
                                             "KorvaneUtility", "KPAPIShell"};
    return type >= 0 && type < 5 ? kNames[type] : "UnknownType";
}

}  // namespace kvKorvaneV10_0_3

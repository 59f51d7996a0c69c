// Algorithm and parameter descriptions come from plug-in resources: any XML must read into an
// algorithm without crashing, looping or allocating without bound.
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <cstddef>
#include <cstdint>

using namespace kvKorvaneV10_0_3;

namespace {

class Described : public test_support::TestAlgorithm {
protected:
    int BuildParameterList() override { return 0; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    if (builder.BuildFromSingleBuffer(reinterpret_cast<const char*>(data),
                                      static_cast<unsigned int>(size)) != eNoErr) {
        return 0;
    }
    Described alg;
    alg.FinishCreate();
    alg.ReadFromXML(root);
    alg.ReadParametersXML(root);
    // Whatever was read must behave as parameters.
    for (unsigned int i = 0; i < alg.GetNumParams(); ++i) {
        alg.UpdateParamState(i, 1000);
        alg.DoIdle(3);
    }
    return 0;
}

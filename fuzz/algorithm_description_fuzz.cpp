// Algorithm and parameter descriptions come from plug-in resources: any XML must read into an
// algorithm without crashing, looping or allocating without bound.
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <cstddef>
#include <cstdint>

using namespace kvKorvaneV10_0_3;

namespace {

// Reads the parameters while it is created, so that link groups are built from them.
class Described : public test_support::TestAlgorithm {
public:
    explicit Described(const XML::CXMLElement& root) : m_root(root) {}

protected:
    int BuildParameterList() override { return ReadParametersXML(m_root); }

private:
    const XML::CXMLElement& m_root;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    if (builder.BuildFromSingleBuffer(reinterpret_cast<const char*>(data),
                                      static_cast<unsigned int>(size)) != eNoErr) {
        return 0;
    }
    Described alg(root);
    alg.ReadFromXML(root);
    alg.FinishCreate();
    // Whatever was read must behave as parameters, linked ones included.
    for (unsigned int i = 0; i < alg.GetNumParams(); ++i) {
        alg.UpdateParamState(i, 1000);
        alg.UpdateParamState(i, 1);
        alg.DoIdle(3);
    }
    return 0;
}

// sCONTROL_PARAMXML: one parameter's description while it is read from the parameter XML, and
// the function maps through which names in the description become functions and objects.
#pragma once

#include "korvane/algorithm/control_param.h"
#include "korvane/algorithm/param_base.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/rm/res_container_type.h"

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace kvKorvaneV10_0_3 {

namespace XML {
class CXMLElement;
}

using DisplayFunctionsMap = std::map<KCFixedString<63>, DisplayFn>;
using ScaleFunctionsMap = std::map<KCFixedString<63>, sUserScaleFunctions>;
using MouseDeltaFunctionsMap = std::map<KCFixedString<63>, MouseDeltaFn>;
// Factories of the objects a description may attach to a parameter; the caller owns the result.
using DrawClassFactory = std::function<KCGraphDataBase*(KTResContainerType*)>;
using ParamExtensionFactory = std::function<KCParamExtension*(KTResContainerType*)>;
using DrawClassFactoryMap = std::map<KCFixedString<63>, DrawClassFactory>;
using ParamExtensionFactoryMap = std::map<KCFixedString<63>, ParamExtensionFactory>;

// The five maps a description is read with; any may be null (nothing is found in it).
struct KSParamFunctionMaps {
    const DisplayFunctionsMap* display = nullptr;
    const ScaleFunctionsMap* scale = nullptr;
    const MouseDeltaFunctionsMap* mouseDelta = nullptr;
    const DrawClassFactoryMap* drawClasses = nullptr;
    const ParamExtensionFactoryMap* extensions = nullptr;
};

// Reading is cumulative: a parent element read first supplies defaults that the parameter's
// own element overrides. [gui-thread]
class KORVANE_API sCONTROL_PARAMXML {
public:
    sCONTROL_PARAMXML(KTResContainerType* resources, const KSParamFunctionMaps& maps);
    sCONTROL_PARAMXML(const sCONTROL_PARAMXML&) = delete;
    sCONTROL_PARAMXML& operator=(const sCONTROL_PARAMXML&) = delete;
    ~sCONTROL_PARAMXML();

    // Restores every field to its default before the next parameter.
    void MembersDefaults();
    // Reads a "Parameter" element over the current fields; unknown children are skipped.
    void ReadFromXML(const XML::CXMLElement& element);
    // Applies the description to a record: functions, scale, defaults, flags, strings, and the
    // extension and graph data (ownership passes to the record).
    void WriteDataToMembers(sCONTROL_PARAM& param);
    // Fills the description from a record (values as real-world values), ready for WriteToXML.
    void ReadDataFromMembers(const sCONTROL_PARAM& param);
    // Appends a "Parameter" element that reads back into an equal record. Extensions and graph
    // data are not written: they describe themselves.
    void WriteToXML(XML::CXMLElement& parent) const;

    [[nodiscard]] const KCFixedStringBase& GetName() const { return m_name; }
    void SetName(const char* name) { m_name = name; }

private:
    void ReadScale(const XML::CXMLElement& scale);
    void ReadFlags(const XML::CXMLElement& flags);
    void ReadDisplayStrings(const XML::CXMLElement& strings);
    void ReadControlledLinkGroups(const XML::CXMLElement& element);
    // The writers of the same parts, each appending its children to the "Parameter" element.
    void WriteScale(XML::CXMLElement& element) const;
    void WriteFlags(XML::CXMLElement& element) const;
    void WriteDisplayStrings(XML::CXMLElement& element) const;
    void WriteDrawClass(XML::CXMLElement& element) const;
    void WriteControlledLinkGroups(XML::CXMLElement& element) const;
    // "toggleMap": both tables of the same length, states 0..n-1 when none were given.
    void HandleToggleMapWriteToParam();

    KTResContainerType* m_resources;
    KSParamFunctionMaps m_maps;

    KCFixedString<127> m_name;
    KCFixedString<127> m_scaleType;
    KCFixedString<127> m_mouseDeltaName;
    KCFixedString<127> m_displayName;
    double m_minimum = 0.0;
    double m_maximum = 0.0;
    double m_var = 0.0;
    int m_numStates = 1001;
    double m_resolution = 1.0;
    double m_resetValue = 0.0;
    KCFixedString<31> m_resetType;
    double m_initialValue = 0.0;
    KCFixedString<31> m_initialType;
    TBitVector<unsigned int> m_flags;
    double m_mouseAcceleration = sCONTROL_PARAM::kNoMouseAcceleration;
    KCFixedString<127> m_label;
    KCFixedString<127> m_units;
    std::vector<KCFixedString<127>> m_displayStrings;
    std::vector<int> m_linkGroups;
    std::vector<ControlledLinkGroup> m_controlledLinkGroups;
    std::vector<double> m_statePoints;
    std::vector<double> m_realWorldPoints;
    std::vector<int> m_omitFromMap;
    std::unique_ptr<KCParamExtension> m_extension;
    std::unique_ptr<KCGraphDataBase> m_graph;
};

}  // namespace kvKorvaneV10_0_3

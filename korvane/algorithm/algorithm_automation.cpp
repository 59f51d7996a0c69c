// cALGORITHM's automation entry points: forwarders to its automation manager.
#include "korvane/algorithm/algorithm.h"

#include "korvane/scan/component_xml_resource.h"
#include "korvane/xml/xml_element.h"

#include <cmath>

namespace kvKorvaneV10_0_3 {

KTErr cALGORITHM::GetAutomationDescription(XML::CXMLElement& root) {
    if (GetResContainer() == nullptr) {
        return eRMContainerNotFound;
    }
    return RM::GetAndFilterXMLResourceByComponentInfo(GetResContainer(), RM::KCResType("GUIXML"),
                                                      DescriptionResourceID(), GetComponentInfo(),
                                                      root);
}

KCAutomationControl* cALGORITHM::GetAutomationControl(unsigned int index) const {
    return m_automation.GetAutomationControl(index);
}

KCAutomationControl* cALGORITHM::GetAutomationControlByName(const char* name) const {
    return m_automation.GetAutomationControlByName(name);
}

KCAutomationControl* cALGORITHM::GetAutomationControlByLeadParamID(unsigned int paramID) const {
    return m_automation.GetAutomationControlByLeadParamID(paramID);
}

int cALGORITHM::GetAutomationControlIndexByName(const char* name) const {
    return m_automation.GetControlIndexByName(name);
}

int cALGORITHM::GetControlNameOfLength(unsigned int index, unsigned int length,
                                       char* buffer) const {
    return m_automation.GetControlNameOfLength(index, length, buffer);
}

int cALGORITHM::SetControllerValue(unsigned int index, double value) {
    return m_automation.SetControllerValue(index, value);
}

int cALGORITHM::TranslateController(unsigned int index, double value,
                                    KCFixedStringBase& text) const {
    return m_automation.TranslateController(index, value, text);
}

int cALGORITHM::GetControlAutomationInfo(unsigned int index, ControllerAutomationInfoVer9* info) {
    return m_automation.GetControlAutomationInfo(index, info);
}

int cALGORITHM::SetAutomationRefCons(unsigned int index, int refCon1, int refCon2) {
    return m_automation.SetAutomationRefCons(index, refCon1, refCon2);
}

int cALGORITHM::GetAutomationRefCon1(unsigned int index) const {
    return m_automation.GetAutomationRefCon1(index);
}

int cALGORITHM::GetAutomationRefCon2(unsigned int index) const {
    return m_automation.GetAutomationRefCon2(index);
}

unsigned int cALGORITHM::ControlLeadParamID(unsigned int index) const {
    const KCAutomationControl* control = m_automation.GetAutomationControl(index);
    return control != nullptr ? control->GetLeadParamID() : kNoParamID;
}

double cALGORITHM::ControlStateFromRealWorldValue(unsigned int index, double realWorld) const {
    const unsigned int lead = ControlLeadParamID(index);
    if (lead >= GetNumParams() || !std::isfinite(realWorld)) {
        return -1.0;
    }
    const kvThread::ThreadMutexLock lock(m_lock);
    const sCONTROL_PARAM& param = GetParam(lead);
    const double state = param.RealWorldToState(realWorld);
    return std::isfinite(state) ? param.BoundState(state) : -1.0;
}

unsigned int cALGORITHM::GetNumRegisteredParamsForControl(unsigned int index) const {
    const KCAutomationControl* control = m_automation.GetAutomationControl(index);
    return control != nullptr ? static_cast<unsigned int>(control->GetRegistrations().size()) : 0;
}

int cALGORITHM::SaveControlsToPreset(Preset::sPresetControls& data, EPluginSetup from,
                                     EPluginSetup to) const {
    return m_automation.SaveControlsToPreset(data, from, to);
}

int cALGORITHM::LoadControlsFromPreset(const Preset::sPresetControls* data, EPluginSetup from,
                                       EPluginSetup to) {
    const int own = m_automation.LoadControlsFromPreset(data, from, to);
    if (data == nullptr) {
        return own;
    }
    const int plugin = LoadControlsFromPresetSelf(data, from, to);
    return own != eNoErr ? own : plugin;
}

void cALGORITHM::ClearMidiControlsAttachment() {
    m_automation.ClearMidiControlsAttachment();
}

void cALGORITHM::SyncronizeMidiGroup(unsigned int index) {
    m_automation.SyncronizeMidiGroup(index);
}

std::vector<unsigned int> cALGORITHM::GetMIDIEventControls(int channel, int controlID,
                                                           int eventType) const {
    return m_automation.GetMIDIEventControls(channel, controlID, eventType);
}

int cALGORITHM::ControlLedStateFromMap(unsigned int index) const {
    return m_automation.ControlLedStateFromMap(index);
}

int cALGORITHM::MidiProcessControlChange(int channel, int controlID, int eventType, int value) {
    return m_automation.MidiProcessControlChange(channel, controlID, eventType, value);
}

void cALGORITHM::WriteDefaultPageTablesToXML(XML::CXMLElement& parent) const {
    m_automation.WriteDefaultPageTablesToXML(parent);
}

void cALGORITHM::WriteDefaultPageTablesDiscCtrlsToXML(XML::CXMLElement& parent) const {
    m_automation.WriteDefaultPageTablesDiscCtrlsToXML(parent);
}

}  // namespace kvKorvaneV10_0_3

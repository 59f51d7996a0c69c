// cALGORITHM's host connection (forwarded to its KCProcessBuffers) and the plug-in information
// defaults a plug-in overrides.
#include "korvane/algorithm/algorithm.h"

namespace kvKorvaneV10_0_3 {

int cALGORITHM::SetExecCallBack(ProcessMemory::ExecCallBack callback, int refcon) {
    m_process.SetExecCallBack(callback, refcon);
    return SetExecCallBackSelf(callback, refcon);
}

ProcessMemory::ExecCallBack cALGORITHM::GetExecCallBack() const {
    return m_process.GetExecCallBack();
}

int cALGORITHM::GetExecRefcon() const {
    return m_process.GetExecRefcon();
}

BUFFER_HEADER* cALGORITHM::NewBuffer(int space, int operation, int coefFlag, int offset, int count,
                                     int extra) {
    return m_process.NewBuffer(space, operation, coefFlag, offset, count, extra);
}

BUFFER_HEADER* cALGORITHM::NewBuffer(int space, int operation, int coefFlag,
                                     const ProcessMemory::sEXT_BUFF* block) {
    return m_process.NewBuffer(space, operation, coefFlag, block);
}

BUFFER_HEADER* cALGORITHM::ChainBufs(BUFFER_HEADER* first, BUFFER_HEADER* second) {
    return m_process.ChainBufs(first, second);
}

int cALGORITHM::SendBuffers(BUFFER_HEADER* chain, int selector) {
    return m_process.SendBuffers(chain, selector);
}

BUFFER_HEADER* cALGORITHM::PrepareCoefBuffer(int offset, int count, const void* source,
                                             bool enable) {
    return m_process.PrepareCoefBuffer(offset, count, source, enable);
}

std::int32_t cALGORITHM::ReadVU(int index, short reset, std::int32_t value) {
    return m_process.ReadVU(index, reset, value);
}

double cALGORITHM::ReadVU(int index, short reset, double value) {
    return m_process.ReadVU(index, reset, value);
}

KCFixedString<63> cALGORITHM::GetNetShellProcessorName() const {
    return m_process.GetNetShellProcessorName();
}

// Plug-in information: nothing is answered until a plug-in overrides the kind it knows.
int cALGORITHM::GetPluginInfo_bool(unsigned int, bool&, int) {
    return kAlgInfoNotSupported;
}
int cALGORITHM::GetPluginInfo_int32_t(unsigned int, std::int32_t&, int) {
    return kAlgInfoNotSupported;
}
int cALGORITHM::GetPluginInfo_uint32_t(unsigned int, std::uint32_t&, int) {
    return kAlgInfoNotSupported;
}
int cALGORITHM::GetPluginInfo_size_t(unsigned int, std::size_t&, int) {
    return kAlgInfoNotSupported;
}
int cALGORITHM::GetPluginInfo_float(unsigned int, float&, int) {
    return kAlgInfoNotSupported;
}
int cALGORITHM::GetPluginInfo_double(unsigned int, double&, int) {
    return kAlgInfoNotSupported;
}
int cALGORITHM::GetPluginInfo_struct(unsigned int, void*, int) {
    return kAlgInfoNotSupported;
}
int cALGORITHM::GetPluginInfo_KCFixedString(unsigned int, KCFixedStringBase&, int) {
    return kAlgInfoNotSupported;
}
int cALGORITHM::GetPluginInfo_KCStMemObj(unsigned int, Utils::KCStMemObj&, int) {
    return kAlgInfoNotSupported;
}
int cALGORITHM::SetPluginInfo_bool(unsigned int, bool, int) {
    return kAlgInfoNotSupported;
}
int cALGORITHM::SetPluginInfo_int32_t(unsigned int, std::int32_t, int) {
    return kAlgInfoNotSupported;
}
int cALGORITHM::SetPluginInfo_uint32_t(unsigned int, std::uint32_t, int) {
    return kAlgInfoNotSupported;
}
int cALGORITHM::SetPluginInfo_size_t(unsigned int, std::size_t, int) {
    return kAlgInfoNotSupported;
}
int cALGORITHM::SetPluginInfo_double(unsigned int, double, int) {
    return kAlgInfoNotSupported;
}
int cALGORITHM::SetPluginInfo_struct(unsigned int, const void*, int) {
    return kAlgInfoNotSupported;
}
int cALGORITHM::SetPluginInfo_c_str(unsigned int, const char*, int) {
    return kAlgInfoNotSupported;
}
int cALGORITHM::GetPluginInfo_bool_Private(bool&, int) {
    return -1;
}
int cALGORITHM::GetPluginInfo_int32_t_Private(std::int32_t&, int) {
    return -1;
}
int cALGORITHM::GetPluginInfo_uint32_t_Private(std::uint32_t&, int) {
    return -1;
}
int cALGORITHM::GetPluginInfo_size_t_Private(std::size_t&, int) {
    return -1;
}
int cALGORITHM::GetPluginInfo_float_Private(float&, int) {
    return -1;
}
int cALGORITHM::GetPluginInfo_double_Private(double&, int) {
    return -1;
}
int cALGORITHM::GetPluginInfo_struct_Private(void*, int) {
    return -1;
}
int cALGORITHM::GetPluginInfo_KCFixedString_Private(KCFixedStringBase&, int) {
    return -1;
}
int cALGORITHM::GetPluginInfo_KCStMemObj_Private(Utils::KCStMemObj&, int) {
    return -1;
}
int cALGORITHM::SetPluginInfo_bool_Private(bool, int) {
    return -1;
}
int cALGORITHM::SetPluginInfo_int32_t_Private(std::int32_t, int) {
    return -1;
}
int cALGORITHM::SetPluginInfo_uint32_t_Private(std::uint32_t, int) {
    return -1;
}
int cALGORITHM::SetPluginInfo_size_t_Private(std::size_t, int) {
    return -1;
}
int cALGORITHM::SetPluginInfo_double_Private(double, int) {
    return -1;
}
int cALGORITHM::SetPluginInfo_struct_Private(const void*, int) {
    return -1;
}
int cALGORITHM::SetPluginInfo_c_str_Private(const char*, int) {
    return -1;
}

}  // namespace kvKorvaneV10_0_3

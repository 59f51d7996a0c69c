// The example EQ set up on the reference host as a host would, for the EQ's tests.
#pragma once

#include "examples/eq/kv_eq.h"

#include "host/reference_host.h"
#include "korvane/fm/path.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>

#include <memory>

namespace kvexample::testing {

// Creates the EQ from the open `container` on `host`: process code set up, the host's process
// memory sized from the description, data initialised and the algorithm updated. A failure is
// a fatal test failure (check HasFatalFailure()). `EQ` may be a test's class derived from KvEQ.
template <class EQ>
void CreateEQOnHost(KTResContainerType*& container, KorvaneHost::ReferenceHost& host,
                    std::unique_ptr<EQ>& eq) {
    using namespace kvKorvaneV10_0_3;
    namespace PM = ProcessMemory;
    KorvaneComponentInfo info;
    info.componentType = KCFourCC("KvEQ");
    info.componentSubType = KCFourCC("ster");
    eq = std::make_unique<EQ>(info, container);
    eq->SetExecCallBack(KorvaneHost::ReferenceHost::Callback(), host.Refcon());
    ASSERT_EQ(eq->FinishCreate(), 0);
    ASSERT_EQ(eq->InitProcessCode(), 0);
    // The host sizes process memory from the description.
    ASSERT_EQ(host.SizeSpace(PM::eCoefsSpace, static_cast<int>(eq->GetCoefsNum())), eNoErr);
    ASSERT_EQ(host.SizeSpace(PM::eStatesSpace, static_cast<int>(eq->GetStatesNum())), eNoErr);
    eq->InitData();
    eq->InitInstanceData();
    eq->InitAlg(true);
}

// Opens the EQ's container at `path` and creates the EQ on `host` (CreateEQOnHost).
template <class EQ>
void OpenEQOnHost(const char* path, KorvaneHost::ReferenceHost& host,
                  KTResContainerType*& container, std::unique_ptr<EQ>& eq) {
    using namespace kvKorvaneV10_0_3;
    ASSERT_EQ(RM::Init(0x200, "KorvaneLib"), eNoErr);
    ASSERT_EQ(RM::OpenResContainer(FM::KCStPath(path), 0, container), eNoErr) << path;
    CreateEQOnHost(container, host, eq);
}

}  // namespace kvexample::testing

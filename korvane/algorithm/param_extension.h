// Polymorphic bases for what the GUI attaches to a parameter: the extension (meter ranges,
// images, menus, ...) with its per-setup data, and the controls that display the parameter.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/xmlable.h"

namespace kvKorvaneV10_0_3 {

// Reads its own description element through XML::KCXMLable (ReadFromXML).
class KORVANE_API KCParamExtension : public XML::KCXMLable {
public:
    // Per-setup data of an extension.
    class KORVANE_API Data {
    public:
        Data() = default;
        Data(const Data&) = default;
        Data& operator=(const Data&) = default;
        virtual ~Data();
        // A new object of the same concrete type and content; the caller owns it.
        [[nodiscard]] virtual Data* CreateCopy() const = 0;
        // Copies `from` into this object; false when `from` is of another type.
        virtual bool CopyContent(const Data& from) = 0;
    };

    KCParamExtension() = default;
    KCParamExtension(const KCParamExtension&) = default;
    KCParamExtension& operator=(const KCParamExtension&) = default;
    ~KCParamExtension() override;
    // A new extension of the same concrete type; the caller owns it.
    [[nodiscard]] virtual KCParamExtension* CreateCopy() const = 0;
    // Tells the extension which data objects belong to it (after its parameter was copied).
    virtual void AttachData(Data* /*setupA*/, Data* /*setupB*/) {}
    // Tells the extension which data belongs to the setup that just became active.
    virtual void SetCurrentData(Data* /*data*/) {}
};

// What a parameter sees of a control that shows it. KCBaseControl derives from this;
// the parameter accepts only controls that are GUI controls.
class KORVANE_API KCParamController {
public:
    KCParamController() = default;
    KCParamController(const KCParamController&) = default;
    KCParamController& operator=(const KCParamController&) = default;
    virtual ~KCParamController();
    [[nodiscard]] virtual bool IsGUIControl() const { return false; }
    // Refresh from the parameter registered under `tag`.
    virtual void UpdatePointer(unsigned int /*tag*/) {}
    // Refresh the disabled look for the parameter registered under `tag`.
    virtual void UpdateDisabledMode(unsigned int /*tag*/) {}
};

}  // namespace kvKorvaneV10_0_3

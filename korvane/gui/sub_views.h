// Sub-views: groups of controls made from template batches and laid out in a row, a column or
// a grid, such as the bands of an equaliser. Each instance is a set of ordinary controls of the
// GUI: drawn, hit, dragged and skinned like the others.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/gui_description.h"
#include "korvane/gui/standard_gui.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {

// One instance of a sub-view description. Its name is the description's name and the instance
// number counted from 1 ("Band2"), after its parent's for a nested one ("Band2.Filter1"); its
// controls are named "<instance name>.<template name>". Plain value: [gui-thread].
class KORVANE_API KCSubView {
public:
    KCSubView(const GUIXML::KSSubView& description, unsigned int index, const KCSubView* parent);

    [[nodiscard]] const KCFixedStringBase& GetName() const { return m_name; }
    [[nodiscard]] const GUIXML::KSSubView& GetDescription() const { return m_description; }
    // The instance numbers from the outermost sub-view down to this one, each from 0.
    [[nodiscard]] const std::vector<unsigned int>& GetIndices() const { return m_indices; }
    // The instance's rectangle in the GUI.
    [[nodiscard]] const KURect<short>& GetRect() const { return m_rect; }
    // What is added to the templates' parameter ids: the parent's plus index × "ParamOffset".
    [[nodiscard]] int GetParamOffset() const { return m_paramOffset; }
    // The page its controls show on when their template names none (the nearest given).
    [[nodiscard]] const std::string& GetPage() const { return m_page; }

    // The controls, one array per batch of the description (owned by the GUI).
    std::vector<std::vector<KCGUIControl*>> batches;
    std::vector<std::unique_ptr<KCSubView>> children;

private:
    GUIXML::KSSubView m_description;
    KCFixedString<63> m_name;
    std::vector<unsigned int> m_indices;
    KURect<short> m_rect;
    int m_paramOffset = 0;
    std::string m_page;
};

// A standard GUI with sub-views. At reading, each sub-view description that no batch nests
// gets its "Count" instances; AddSubViewControls and RemoveSubViewControls change them later.
// [gui-thread], like the standard GUI.
class KORVANE_API X_CStandardGUI_SubViews : public CStandardGUI_X {
public:
    explicit X_CStandardGUI_SubViews(KTResContainerType*& resources);
    ~X_CStandardGUI_SubViews() override;

    // Makes the instances the description asks for (replacing any made before).
    void CreateSubViewsControls(const GUIXML::KCReader& reader);
    // Adds instance `indices` of sub-view `name` (the last index is the new instance's, the
    // ones before it name its parents, which must exist). eControlOutOfRange for an index of
    // kMaxSubViewCount or more or past kMaxSubViewInstances, eValueNotFound for an unknown
    // name or parent, eSomeThingInitailzedTwice when the instance exists already.
    KTErr AddSubViewControls(const char* name, const std::vector<unsigned int>& indices);
    // Removes that instance with its controls and nested instances; eValueNotFound without it.
    KTErr RemoveSubViewControls(const char* name, const std::vector<unsigned int>& indices);
    // Makes that instance again from its templates (a fresh set of controls).
    KTErr ReplaceSubView(const char* name, const std::vector<unsigned int>& indices);
    // Removes every instance.
    void RemoveSubViews();
    // eControlOutOfRange when the last CreateSubViewsControls skipped instances past
    // kMaxSubViewInstances; eNoErr otherwise.
    [[nodiscard]] KTErr GetSubViewsResult() const { return m_subViewResult; }

    // The instances a whole GUI may hold, nested ones included.
    static constexpr unsigned int kMaxSubViewInstances = 4096;

    [[nodiscard]] const KCSubView* GetSubView(const char* name,
                                              const std::vector<unsigned int>& indices) const;
    [[nodiscard]] const std::vector<std::unique_ptr<KCSubView>>& GetSubViews() const {
        return m_subViews;
    }
    // The control made from template `control` in instance `indices` of sub-view `subView`.
    [[nodiscard]] KCGUIControl* GetSubViewControlPtr(
        const char* subView, const char* control, const std::vector<unsigned int>& indices) const;
    // A control of any instance by its full name ("Band2.Gain"); null for none.
    [[nodiscard]] KCGUIControl* GetSubViewsControlPtrByName(const char* name) const;
    // The lead parameter of the instance's first control; kNoParamID without one.
    [[nodiscard]] unsigned int GetSubViewLeadParamID(
        const char* name, const std::vector<unsigned int>& indices) const;

protected:
    void InitializeSubViews(const GUIXML::KCReader& reader) override;
    // A plug-in's last word on a control made for an instance, before it joins the GUI.
    virtual void OnCreateControl(const GUIXML::KSSubView& /*description*/, const char* /*name*/,
                                 KCGUIControl& /*control*/,
                                 const std::vector<unsigned int>& /*indices*/) {}
    // Moves a template's control to its instance (by default KCGUIControl::Move).
    virtual void MoveControl(KCGUIControl& control, int dx, int dy);
    // After instances were made: by default the GUI's rectangle grows (never shrinks) to hold
    // every instance and its controls, so none lies outside the window. [gui-thread]
    virtual void OnFixWindowPos();

private:
    // Makes the instance, its controls and its nested instances; null when the templates
    // nest deeper than kMaxSubViewDepth or the GUI holds kMaxSubViewInstances already.
    std::unique_ptr<KCSubView> MakeSubView(const GUIXML::KSSubView& description, unsigned int index,
                                           const KCSubView* parent, unsigned int depth);
    void DeleteSubViewControls(KCSubView& view);
    // Calls `visit` on every instance, nested ones too, until it answers false.
    void ForEachSubView(const std::function<bool(const KCSubView&)>& visit) const;
    // Whether instances of `outer` hold instances of `name`, directly or further down.
    [[nodiscard]] bool Nests(const GUIXML::KSSubView& outer, const std::string& name,
                             unsigned int depth) const;
    // The instance that holds (or would hold) instance `indices` of `name`: null for the top
    // level; false when a parent is missing.
    bool FindParent(const std::string& name, const std::vector<unsigned int>& indices,
                    KCSubView*& parent) const;

    GUIXML::KCReader m_subViewReader;
    std::vector<std::unique_ptr<KCSubView>> m_subViews;
    unsigned int m_instanceCount = 0;
    KTErr m_subViewResult = eNoErr;
};

}  // namespace kvKorvaneV10_0_3

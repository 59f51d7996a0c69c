#include "korvane/gui/sub_views.h"

#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <limits>

namespace kvKorvaneV10_0_3 {

using GUIXML::KSSubView;

namespace {

std::string InstanceName(const std::string& base, unsigned int index) {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, index + 1);
    return base + std::string(digits, result.ptr);
}

std::string ControlName(const KCSubView& view, const std::string& templateName) {
    return std::string(view.GetName().c_str()) + "." + templateName;
}

}  // namespace

KCSubView::KCSubView(const KSSubView& description, unsigned int index, const KCSubView* parent)
    : m_description(description), m_rect(description.rect) {
    std::string name = InstanceName(description.name, index);
    KCPoint2D<short> corner{0, 0};
    if (parent != nullptr) {
        name = std::string(parent->GetName().c_str()) + "." + name;
        m_indices = parent->GetIndices();
        corner = {parent->GetRect().left, parent->GetRect().top};
        m_paramOffset = parent->GetParamOffset();
        m_page = parent->GetPage();
    }
    m_name = name.c_str();
    m_indices.push_back(index);
    const KCPoint2D<short> diff = description.CalculateDiff(index);
    m_rect.Offset(static_cast<short>(corner.x + diff.x), static_cast<short>(corner.y + diff.y));
    // Held within int whatever offsets a description asks for: far-off ids bind to nothing.
    const long long offset = static_cast<long long>(m_paramOffset) +
                             static_cast<long long>(index) * description.paramOffset;
    m_paramOffset = static_cast<int>(std::clamp<long long>(offset, std::numeric_limits<int>::min(),
                                                           std::numeric_limits<int>::max()));
    if (!description.page.empty()) {
        m_page = description.page;
    }
}

X_CStandardGUI_SubViews::X_CStandardGUI_SubViews(KTResContainerType*& resources)
    : CStandardGUI_X(resources) {}

X_CStandardGUI_SubViews::~X_CStandardGUI_SubViews() = default;

void X_CStandardGUI_SubViews::InitializeSubViews(const GUIXML::KCReader& reader) {
    CreateSubViewsControls(reader);
}

void X_CStandardGUI_SubViews::CreateSubViewsControls(const GUIXML::KCReader& reader) {
    RemoveSubViews();
    m_subViewResult = eNoErr;
    m_subViewReader = reader;
    for (const KSSubView* description : m_subViewReader.GetTopLevelSubViews()) {
        for (unsigned int i = 0; i < description->count; ++i) {
            if (auto view = MakeSubView(*description, i, nullptr, 0)) {
                m_subViews.push_back(std::move(view));
            }
        }
    }
    OnFixWindowPos();
}

std::unique_ptr<KCSubView> X_CStandardGUI_SubViews::MakeSubView(const KSSubView& description,
                                                                unsigned int index,
                                                                const KCSubView* parent,
                                                                unsigned int depth) {
    if (depth >= GUIXML::kMaxSubViewDepth) {
        return nullptr;  // sub-views that nest themselves
    }
    // Counts multiply down the levels: a few nested sub-views could ask for billions.
    if (m_instanceCount >= kMaxSubViewInstances) {
        m_subViewResult = eControlOutOfRange;
        return nullptr;
    }
    ++m_instanceCount;
    auto view = std::make_unique<KCSubView>(description, index, parent);
    cALGORITHM* alg = GetAlgorithm();
    for (const std::string& batchName : description.batches) {
        std::vector<KCGUIControl*>& batch = view->batches.emplace_back();
        const GUIXML::KSTemplateBatch* templates = m_subViewReader.FindBatch(batchName);
        if (templates == nullptr) {
            continue;
        }
        for (const std::string& templateName : templates->controls) {
            const XML::CXMLElement* element = m_subViewReader.FindTemplateElement(templateName);
            if (element == nullptr) {
                continue;
            }
            const std::string name = ControlName(*view, templateName);
            XML::CXMLElement copy(*element);
            copy.SetAttrib("Name", name.c_str());
            std::unique_ptr<KCGUIControl> control = CreateControlFromXML(copy);
            if (control == nullptr) {
                continue;
            }
            // The template's parameters, moved on by the instance's offset.
            for (KCParamRegistrationData& reg : control->Registrations()) {
                if (reg.paramID == kNoParamID || view->GetParamOffset() == 0) {
                    continue;
                }
                const long long id = static_cast<long long>(reg.paramID) + view->GetParamOffset();
                const bool valid =
                    id >= 0 && (alg == nullptr || id < static_cast<long long>(alg->GetNumParams()));
                reg.paramID = valid ? static_cast<unsigned int>(id) : kNoParamID;
                reg.value = valid && alg != nullptr ? alg->GetParamState(reg.paramID) : 0.0;
            }
            if (control->GetPageName().empty() && !view->GetPage().empty()) {
                control->SetPageName(view->GetPage().c_str());
            }
            MoveControl(*control, view->GetRect().left, view->GetRect().top);
            OnCreateControl(description, name.c_str(), *control, view->GetIndices());
            KCGUIControl* added = AddNewControl(std::move(control));
            if (IsCreateFinished()) {
                RegisterControlWithAlgorithm(*added);
                added->FinishCreate();
            }
            batch.push_back(added);
        }
        for (const std::string& childName : templates->subViews) {
            const KSSubView* child = m_subViewReader.FindSubView(childName);
            if (child == nullptr) {
                continue;
            }
            for (unsigned int i = 0; i < child->count; ++i) {
                if (auto nested = MakeSubView(*child, i, view.get(), depth + 1)) {
                    view->children.push_back(std::move(nested));
                }
            }
        }
    }
    SetNeedToRedrawGUI();
    return view;
}

void X_CStandardGUI_SubViews::MoveControl(KCGUIControl& control, int dx, int dy) {
    control.Move(dx, dy);
}

void X_CStandardGUI_SubViews::OnFixWindowPos() {
    KURect<short> rect = GetGUIRect();
    const auto hold = [&rect](const KURect<short>& part) {
        if (part.Width() > 0 && part.Height() > 0) {
            rect.Union(part, rect);
        }
    };
    ForEachSubView([&hold](const KCSubView& view) {
        hold(view.GetRect());
        for (const auto& batch : view.batches) {
            for (const KCGUIControl* control : batch) {
                hold(control->GetBounds());
            }
        }
        return true;
    });
    if (rect != GetGUIRect()) {
        SetGUIRect(rect);
        SetNeedToRedrawGUI();
    }
}

void X_CStandardGUI_SubViews::DeleteSubViewControls(KCSubView& view) {
    for (auto& child : view.children) {
        DeleteSubViewControls(*child);
    }
    view.children.clear();
    if (m_instanceCount > 0) {
        --m_instanceCount;
    }
    for (auto& batch : view.batches) {
        for (KCGUIControl* control : batch) {
            DeleteControl(control);
        }
        batch.clear();
    }
    SetNeedToRedrawGUI();
}

bool X_CStandardGUI_SubViews::Nests(const KSSubView& outer, const std::string& name,
                                    unsigned int depth) const {
    if (depth >= GUIXML::kMaxSubViewDepth) {
        return false;
    }
    for (const std::string& batchName : outer.batches) {
        const GUIXML::KSTemplateBatch* batch = m_subViewReader.FindBatch(batchName);
        if (batch == nullptr) {
            continue;
        }
        for (const std::string& childName : batch->subViews) {
            const KSSubView* child = m_subViewReader.FindSubView(childName);
            if (childName == name || (child != nullptr && Nests(*child, name, depth + 1))) {
                return true;
            }
        }
    }
    return false;
}

bool X_CStandardGUI_SubViews::FindParent(const std::string& name,
                                         const std::vector<unsigned int>& indices,
                                         KCSubView*& parent) const {
    parent = nullptr;
    const std::vector<std::unique_ptr<KCSubView>>* level = &m_subViews;
    for (std::size_t depth = 0; depth + 1 < indices.size(); ++depth) {
        const auto found = std::find_if(level->begin(), level->end(), [&](const auto& view) {
            return view->GetIndices().back() == indices[depth] &&
                   Nests(view->GetDescription(), name, 0);
        });
        if (found == level->end()) {
            return false;
        }
        parent = found->get();
        level = &parent->children;
    }
    return true;
}

KTErr X_CStandardGUI_SubViews::AddSubViewControls(const char* name,
                                                  const std::vector<unsigned int>& indices) {
    const KSSubView* description =
        name == nullptr ? nullptr : m_subViewReader.FindSubView(std::string(name));
    if (description == nullptr || indices.empty()) {
        return eValueNotFound;
    }
    if (indices.back() >= GUIXML::kMaxSubViewCount) {
        return eControlOutOfRange;
    }
    if (GetSubView(name, indices) != nullptr) {
        return eSomeThingInitailzedTwice;
    }
    KCSubView* parent = nullptr;
    if (!FindParent(description->name, indices, parent)) {
        return eValueNotFound;
    }
    auto& siblings = parent != nullptr ? parent->children : m_subViews;
    auto view = MakeSubView(*description, indices.back(), parent,
                            static_cast<unsigned int>(indices.size() - 1));
    if (view == nullptr) {
        return eControlOutOfRange;
    }
    siblings.push_back(std::move(view));
    OnFixWindowPos();
    return eNoErr;
}

KTErr X_CStandardGUI_SubViews::RemoveSubViewControls(const char* name,
                                                     const std::vector<unsigned int>& indices) {
    const KCSubView* target = GetSubView(name, indices);
    if (target == nullptr) {
        return eValueNotFound;
    }
    KCSubView* parent = nullptr;
    FindParent(target->GetDescription().name, indices, parent);
    auto& siblings = parent != nullptr ? parent->children : m_subViews;
    const auto found = std::find_if(siblings.begin(), siblings.end(),
                                    [target](const auto& view) { return view.get() == target; });
    DeleteSubViewControls(**found);
    siblings.erase(found);
    return eNoErr;
}

KTErr X_CStandardGUI_SubViews::ReplaceSubView(const char* name,
                                              const std::vector<unsigned int>& indices) {
    if (const KTErr err = RemoveSubViewControls(name, indices); err != eNoErr) {
        return err;
    }
    return AddSubViewControls(name, indices);
}

void X_CStandardGUI_SubViews::RemoveSubViews() {
    for (auto& view : m_subViews) {
        DeleteSubViewControls(*view);
    }
    m_subViews.clear();
}

const KCSubView* X_CStandardGUI_SubViews::GetSubView(
    const char* name, const std::vector<unsigned int>& indices) const {
    if (name == nullptr || indices.empty()) {
        return nullptr;
    }
    KCSubView* parent = nullptr;
    const std::string wanted(name);
    if (!FindParent(wanted, indices, parent)) {
        return nullptr;
    }
    for (const auto& view : parent != nullptr ? parent->children : m_subViews) {
        if (view->GetIndices().back() == indices.back() && view->GetDescription().name == wanted) {
            return view.get();
        }
    }
    return nullptr;
}

KCGUIControl* X_CStandardGUI_SubViews::GetSubViewControlPtr(
    const char* subView, const char* control, const std::vector<unsigned int>& indices) const {
    const KCSubView* view = GetSubView(subView, indices);
    if (view == nullptr || control == nullptr) {
        return nullptr;
    }
    const std::string name = ControlName(*view, control);
    for (const auto& batch : view->batches) {
        for (KCGUIControl* candidate : batch) {
            if (candidate->GetName() == name.c_str()) {
                return candidate;
            }
        }
    }
    return nullptr;
}

KCGUIControl* X_CStandardGUI_SubViews::GetSubViewsControlPtrByName(const char* name) const {
    if (name == nullptr) {
        return nullptr;
    }
    KCGUIControl* found = nullptr;
    ForEachSubView([name, &found](const KCSubView& view) {
        for (const auto& batch : view.batches) {
            for (KCGUIControl* control : batch) {
                if (control->GetName() == name) {
                    found = control;
                    return false;
                }
            }
        }
        return true;
    });
    return found;
}

void X_CStandardGUI_SubViews::ForEachSubView(
    const std::function<bool(const KCSubView&)>& visit) const {
    std::vector<const KCSubView*> pending;
    for (const auto& view : m_subViews) {
        pending.push_back(view.get());
    }
    while (!pending.empty()) {
        const KCSubView* view = pending.back();
        pending.pop_back();
        if (!visit(*view)) {
            return;
        }
        for (const auto& child : view->children) {
            pending.push_back(child.get());
        }
    }
}

unsigned int X_CStandardGUI_SubViews::GetSubViewLeadParamID(
    const char* name, const std::vector<unsigned int>& indices) const {
    const KCSubView* view = GetSubView(name, indices);
    if (view == nullptr) {
        return kNoParamID;
    }
    for (const auto& batch : view->batches) {
        if (!batch.empty()) {
            return batch.front()->GetLeadParamID();
        }
    }
    return kNoParamID;
}

}  // namespace kvKorvaneV10_0_3

// The plug-in's state from the command line and its window built as its standard GUI shows it:
// what kvhost gui draws and the window viewer shows.
#include "host/kvhost/kvhost.h"

#include "korvane/gui/standard_gui.h"
#include "korvane/rm/res_key.h"
#include "korvane/scan/component_xml_resource.h"
#include "korvane/xml/xml_element.h"

namespace KorvaneHost::kvhost {

namespace kv = kvKorvaneV10_0_3;

Status ApplyPresetAndSets(Plugin& plugin, const Arguments& parsed) {
    if (const auto preset = parsed.Last("--preset")) {
        if (auto err = plugin.LoadPreset(*preset)) {
            return err;
        }
    }
    for (const std::string& assignment : parsed.All("--set")) {
        if (auto err = plugin.SetFromText(assignment)) {
            return err;
        }
    }
    plugin.Host().ProcessBlock();
    return std::nullopt;
}

Status BuildGUI(Plugin& plugin, kv::CStandardGUI_X& gui, const std::optional<std::string>& skin) {
    if (const KTErr err = gui.InitDefaultGUI(&plugin.Alg()); err != kv::eNoErr) {
        return Error{plugin.Name(), "the GUI does not build (" + std::to_string(err) + ")",
                     kExitFailure};
    }
    kv::XML::CXMLElement skins;
    if (kv::RM::GetAndFilterXMLResourceByComponentInfo(
            plugin.Container(), kv::RM::KCResType("SkinXML"), 128, plugin.Alg().GetComponentInfo(),
            skins) == kv::eNoErr) {
        gui.GetSkinsData().InitSkinsFromXML(skins, gui.GetGUIRect());
    }
    if (skin && gui.UpdateSkin(skin->c_str()) != kv::eNoErr) {
        std::string list;
        for (const auto& details : gui.GetSkinsData().GetSkins()) {
            list += (list.empty() ? "" : ", ") + std::string(details.name.c_str());
        }
        return Error{"--skin " + *skin, list.empty() ? "no such skin (the plug-in has none)"
                                                     : "no such skin (skins: " + list + ")"};
    }
    plugin.Host().ProcessBlock();
    // The controls follow the parameters and the meters take their first reading, as at a
    // window's first idle pass.
    (void)gui.DoIdle(0);
    return std::nullopt;
}

}  // namespace KorvaneHost::kvhost

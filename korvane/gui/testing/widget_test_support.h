// What the widget tests share: mouse events at a point, a control drawn as YAML or as pixels
// without a display, and a fixture that reads widgets from a description on a test algorithm.
#pragma once

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gs/gs_yaml.h"
#include "korvane/gui/gui_control.h"
#include "korvane/gui/pvm/event_test_support.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::testing {

// A left-button press at (x, y), with the button held.
inline PluginViewManager::KCEventData At(
    short x, short y, PluginViewManager::KEClickCount clicks = PluginViewManager::eSingleClick) {
    return PluginViewManager::testing::MouseEventAt({x, y}, true, clicks);
}

// A colour as the decoded pixels hold it.
constexpr std::uint32_t Argb(const KCRGBAColor& c) {
    return (std::uint32_t{c.alpha} << 24U) | (std::uint32_t{c.red} << 16U) |
           (std::uint32_t{c.green} << 8U) | std::uint32_t{c.blue};
}

// The control's drawing as the YAML dump of its graphic stream.
inline std::string Yaml(KCGUIControl& control) {
    kvGS::KCGraphicStreamBinaryWriter writer;
    {
        const kvGS::KCStGSStreamStructWriter stream(writer, kvGS::SGSStream());
        control.GetDrawInstructions(writer);
    }
    kvGS::KCGraphicStreamToYAML yaml;
    const auto& s = writer.GetStream();
    EXPECT_EQ(yaml.ExecStream(static_cast<const char*>(s.ptr), s.size), eNoErr);
    return yaml.GetYamlStr();
}

// The control's drawing rendered into a width × height image, as decoded pixels.
inline PluginViewManager::KCImagePixels Render(KCGUIControl& control, int width, int height) {
    kvGS::KCGraphicStreamBinaryWriter w;
    kvGS::SGSStream stream;
    stream.rect = {0, 0, width, height};
    {
        const kvGS::KCStGSStreamStructWriter guard(w, stream);
        control.GetDrawInstructions(w);
    }
    std::vector<unsigned char> png;
    const auto* bytes = static_cast<const char*>(w.GetStream().ptr);
    EXPECT_EQ(PluginViewManager::RenderGraphicStreamToPNG(bytes, w.GetStream().size, nullptr, png),
              eNoErr);
    PluginViewManager::KCImagePixels pixels;
    EXPECT_EQ(PluginViewManager::DecodePNG(png.data(), png.size(), pixels), eNoErr);
    return pixels;
}

// The whole GUI rendered as the view would show it, as decoded pixels.
inline PluginViewManager::KCImagePixels RenderGUI(CStandardGUI_X& gui) {
    std::vector<unsigned char> png;
    EXPECT_EQ(gui.RenderToPNG(png), eNoErr);
    PluginViewManager::KCImagePixels pixels;
    EXPECT_EQ(PluginViewManager::DecodePNG(png.data(), png.size(), pixels), eNoErr);
    return pixels;
}

// Widgets read from a description on an algorithm of type Alg, driven by direct calls.
template <typename Alg>
class WidgetTest : public ::testing::Test {
protected:
    using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

    void SetUp() override { ASSERT_EQ(alg.FinishCreate(), 0); }

    // A widget named "W" at the origin, with `params` as its parameter list and `rest` as
    // further children of its description.
    template <typename Widget>
    std::unique_ptr<Widget> Make(const std::string& params, const std::string& rest = "",
                                 const std::string& rect = "width='40' height='40'") {
        auto widget = std::make_unique<Widget>();
        widget->ReadFromXMLWithAlg(
            test_support::ParseXML("<cCONTROLLER Name='W'><ControlRect left='0' top='0' " + rect +
                                   "/><ParameterList>" + params + "</ParameterList>" + rest +
                                   "</cCONTROLLER>"),
            &alg, false);
        return widget;
    }
    // The widget written to its description and read back into a new one.
    template <typename Widget>
    std::unique_ptr<Widget> RoundTrip(const Widget& widget) {
        XML::CXMLElement parent("List", "");
        widget.WriteToXMLWithAlg(parent, &alg, "cCONTROLLER");
        auto back = std::make_unique<Widget>();
        if (!parent.GetSubElements().empty()) {
            back->ReadFromXMLWithAlg(*parent.GetSubElements().back(), &alg, false);
        }
        return back;
    }
    void Free(BUFFER_HEADER* chain) { alg.FreeBuffers(chain); }
    double State(unsigned int param) const { return alg.GetParamState(param); }
    void Set(unsigned int param, double state) { Free(alg.UpdateParamState(param, state)); }
    void Down(KCGUIControl& control, short x = 5, short y = 5) {
        KURect<double> range(1000, 1000, 0, 0);
        bool handled = true;
        Free(control.MouseDown(At(x, y), &range, handled));
    }
    void Drag(KCGUIControl& control, short x, short y, double dx = 0, double dy = 0) {
        Free(control.MouseDrag(At(x, y), dx, dy, nullptr));
    }
    void Up(KCGUIControl& control, short x = 5, short y = 5) { Free(control.MouseUp(At(x, y))); }

    Alg alg;
};

}  // namespace kvKorvaneV10_0_3::testing

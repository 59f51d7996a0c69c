// The example EQ's window, built from its own resources on the reference host: rendered without a
// display and checked by pixels, driven by synthetic events end to end, and switched between its
// two skins. With KVEQ_GUI_PNG set, the render is also written to that path (the picture in the
// docs is made this way).
#include "examples/eq/kv_eq.h"

#include "examples/eq/kv_eq_test_support.h"
#include "examples/eq/kv_eq_window.h"
#include "host/reference_host.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/gui/pvm/event_data.h"
#include "korvane/gui/pvm/event_dispatcher.h"
#include "korvane/gui/pvm/event_test_support.h"
#include "korvane/gui/pvm/menu.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/widget_rotation_knob.h"
#include "korvane/gui/widget_slider.h"
#include "korvane/gui/widget_value_text.h"
#include "korvane/gui/widget_vu_meter.h"
#include "korvane/midi/midi_event.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/scan/component_xml_resource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;
using kvexample::KvEQ;
namespace PM = ProcessMemory;
namespace PVM = PluginViewManager;

struct RGB {
    int r, g, b;
};
// Base picture colours, as examples/eq/make_base_pictures.py draws them.
constexpr RGB kDarkBack{28, 30, 36};
constexpr RGB kDarkPanel{44, 47, 56};
constexpr RGB kLightBack{206, 210, 218};
constexpr RGB kLightPanel{226, 229, 236};

// Places in the window (GUIXML/128.xml): band 1's panel, its gain knob and type popup, the
// output slider; a point of the margin and one of band 1's panel between its controls.
constexpr KURect<short> kGain1Knob{186, 84, 232, 130};  // top, left, bottom, right
constexpr KURect<short> kMargin{146, 2, 192, 18};
constexpr PVM::KCEventData::Point kGain1{107, 209};
constexpr PVM::KCEventData::Point kType1{90, 169};
constexpr int kMarginX = 10, kMarginY = 10;
constexpr int kPanelX = 23, kPanelY = 182;
constexpr int kSliderX = 537, kSliderTop = 186, kSliderHeight = 130, kThumbLength = 12;
// The curve's graph control (its draw area is the control rectangle).
constexpr int kCurveLeft = 21, kCurveTop = 17;
// The automation control "Band 1" leads Gain_0; its index is what the host's gestures name.
constexpr std::int64_t kBand1Automation = 0;
// The level meter beside the output slider, and the clip lamp over it.
constexpr KURect<short> kLevelMeter{186, 554, 316, 570};
constexpr KURect<short> kClipLamp{186, 554, 190, 570};

// The EQ with band 1's frequency flagged not to update while dragged (the EQ itself flags no
// parameter so: each of its updates is one cheap coefficient buffer, and a sweep is heard as it
// goes), counting the update hook's calls per parameter.
class KvEQUpdateAtRelease : public KvEQ {
public:
    using KvEQ::KvEQ;
    std::vector<int> updates = std::vector<int>(kLevel + 1, 0);

protected:
    int BuildParameterList() override {
        const int result = KvEQ::BuildParameterList();
        GetParamVector()[kFreq + 0].SetFlag(eParamFlagDontUpdateWhileDrag, true);
        return result;
    }
    BUFFER_HEADER* UpdateParamSelf(unsigned int index) KV_REQUIRES(AlgLock()) override {
        if (index < updates.size()) {
            ++updates[index];
        }
        return KvEQ::UpdateParamSelf(index);
    }
};

class KvEQGUI : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        Open();
        ASSERT_FALSE(HasFatalFailure());
        gui = std::make_unique<kvexample::KvEQWindow>(container);
        ASSERT_EQ(gui->InitDefaultGUI(eq.get()), eNoErr);
        gui->SetMicrosecondClock([this] { return now; });
        host.ProcessBlock();
        host.Events().Clear();
    }

    virtual void Open() { kvexample::testing::OpenEQOnHost(GetParam(), host, container, eq); }

    void TearDown() override {
        gui.reset();
        eq.reset();
        EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
        EXPECT_EQ(RM::Dispose(), eNoErr);
    }

    static PVM::KCEventData At(PVM::KCEventData::Point where, bool leftDown) {
        return PVM::testing::MouseEventAt(where, leftDown);
    }

    // A press at `from`, `steps` moves of `dy` pixels upwards each, a release.
    void Drag(PVM::KCEventData::Point from, int steps, int dy) {
        PVM::KCEventData event = At(from, true);
        gui->DoMouseDown(event);
        PVM::KCEventData::Point where = from;
        for (int i = 0; i < steps; ++i) {
            where.y = static_cast<short>(where.y - dy);
            event.SetMouseLocation(where);
            gui->DoMouseMove(event);
            host.ProcessBlock();
        }
        event.SetMouseButtonPressed(PVM::eLeftButton, false);
        gui->DoMouseUp(event);
        host.ProcessBlock();
        eq->DoIdle(0);
    }

    void Wheel(PVM::KCEventData::Point where, int notches) {
        now += 2'000'000;  // far from the previous notch: no acceleration
        PVM::KCEventData event = At(where, false);
        event.SetMouseWheelDelta(notches);
        gui->DoMouseWheel(event);
        host.ProcessBlock();
        eq->DoIdle(0);
    }

    void Set(unsigned int index, double realWorld) {
        BUFFER_HEADER* chain = eq->UpdateParamRequestRealWorld(index, realWorld);
        eq->SendAndFreeBuffers(chain, PM::eSelPostChain, true);
        host.ProcessBlock();
        eq->DoIdle(0);  // the host's idle timer: the controls follow the parameter
    }

    PVM::KCImagePixels Render() {
        std::vector<unsigned char> png;
        EXPECT_EQ(gui->RenderToPNG(png), eNoErr);
        PVM::KCImagePixels pixels;
        EXPECT_EQ(PVM::DecodePNG(png.data(), png.size(), pixels), eNoErr);
        if (const char* path = std::getenv("KVEQ_GUI_PNG"); path != nullptr && *path != '\0') {
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(png.data()),
                       static_cast<std::streamsize>(png.size()));
        }
        return pixels;
    }

    static std::uint32_t Opaque(RGB c) {
        return 0xFF000000U | (static_cast<std::uint32_t>(c.r) << 16U) |
               (static_cast<std::uint32_t>(c.g) << 8U) | static_cast<std::uint32_t>(c.b);
    }
    static std::uint32_t Opaque(const KCRGBAColor& c) {
        return Opaque(RGB{c.red, c.green, c.blue});
    }
    static int Count(const PVM::KCImagePixels& pixels, const KURect<short>& rect,
                     std::uint32_t colour) {
        int n = 0;
        for (int y = rect.top; y < rect.bottom; ++y) {
            for (int x = rect.left; x < rect.right; ++x) {
                n += pixels.At(x, y) == colour ? 1 : 0;
            }
        }
        return n;
    }
    // The middle row of the slider's thumb in its centre column; -1 without a thumb.
    static double ThumbCentre(const PVM::KCImagePixels& pixels) {
        const std::uint32_t thumb = Opaque(kDefaultWidgetPalette.sliderThumb);
        int first = -1;
        int last = -1;
        for (int y = kSliderTop; y < kSliderTop + kSliderHeight; ++y) {
            if (pixels.At(kSliderX, y) == thumb) {
                first = first < 0 ? y : first;
                last = y;
            }
        }
        return first < 0 ? -1 : (first + last + 1) / 2.0;
    }
    static double ExpectedThumbCentre(double state) {
        const double travel = kSliderHeight - kThumbLength;
        return kSliderTop + kThumbLength / 2.0 + (1 - state / 1000) * travel;
    }

    // The curve's column for a frequency on its logarithmic 20 Hz ... 20 kHz axis.
    static int CurveColumn(double freq) {
        const double at =
            std::log(freq / KvEQ::kCurveLowHz) / std::log(KvEQ::kCurveHighHz / KvEQ::kCurveLowHz);
        return kCurveLeft + static_cast<int>(std::lround(at * (KvEQ::kCurveWidth - 1)));
    }
    // Orange, even blended into the grey ground or the grey 0 dB line: red well above blue.
    static bool IsCurvePixel(std::uint32_t argb) {
        const int red = static_cast<int>((argb >> 16U) & 0xFFU);
        const int blue = static_cast<int>(argb & 0xFFU);
        return red - blue > 60;
    }
    // The mean row of the curve's pixels in column x of the graph: where the curve crosses the
    // column. -1 when nothing is drawn.
    static double CurveRow(const PVM::KCImagePixels& pixels, int x) {
        double sum = 0;
        int n = 0;
        for (int y = kCurveTop; y < kCurveTop + KvEQ::kCurveHeight; ++y) {
            if (IsCurvePixel(pixels.At(x, y))) {
                sum += y;
                ++n;
            }
        }
        return n == 0 ? -1 : sum / n;
    }

    // One block of a 1 kHz sine of amplitude `amplitude` on both channels through the EQ's own
    // process function (flat bands: the output peaks where the input does).
    void Play(double amplitude) {
        constexpr int kFrames = 480;
        std::vector<float> in(kFrames);
        for (int i = 0; i < kFrames; ++i) {
            in[i] = static_cast<float>(amplitude * std::sin(2 * 3.14159265358979 * i / 48.0));
        }
        std::vector<float> left(kFrames);
        std::vector<float> right(kFrames);
        const float* ins[2] = {in.data(), in.data()};
        float* outs[2] = {left.data(), right.data()};
        ASSERT_EQ(host.ProcessAudio(ins, outs, kFrames), eNoErr);
    }

    std::vector<int> Gestures(std::int64_t control) { return host.Events().Gestures(control); }

    void ExpectBand(unsigned int band) {
        const auto rw = [&](unsigned int first) { return eq->GetParamRealWorld(first + band); };
        const BIQUAD expected =
            KvEQ::DesignBand(static_cast<int>(rw(KvEQ::kType)), rw(KvEQ::kFreq), rw(KvEQ::kGain),
                             rw(KvEQ::kQ), rw(KvEQ::kOn) != 0, eq->GetSampleRate());
        const double coefs[] = {expected.b0, expected.b1, expected.b2, expected.a1, expected.a2};
        for (unsigned int c = 0; c < KvEQ::kCoefsPerBand; ++c) {
            const auto stored =
                host.ReadCoefficient(static_cast<int>(band * KvEQ::kCoefsPerBand + c));
            ASSERT_TRUE(stored.has_value());
            EXPECT_NEAR(*stored, coefs[c], 1e-6 * std::max(1.0, std::fabs(coefs[c])))
                << "band " << band << " coefficient " << c;
        }
    }

    KTResContainerType* container = nullptr;
    KorvaneHost::ReferenceHost host;
    std::unique_ptr<KvEQ> eq;
    std::unique_ptr<CStandardGUI_X> gui;
    std::uint64_t now = 10'000'000;
};

TEST_P(KvEQGUI, BuildsTheWindowFromItsDescriptionAndKeepsAutomation) {
    const KURect<short>& rect = gui->GetGUIRect();
    EXPECT_EQ(rect.Width(), 600);
    EXPECT_EQ(rect.Height(), 360);
    for (const char* name : {"Band 1", "Freq 4", "Q 2", "Type 3", "Band 1 Type", "On 4", "Output",
                             "Bypass", "Gain 1 Value", "Output Value"}) {
        EXPECT_NE(gui->GetControlPtrByName(name), nullptr) << name;
    }
    EXPECT_TRUE(gui->HasSkins());
}

TEST_P(KvEQGUI, RendersKnobsSliderAndBasePictureWhereTheDescriptionPutsThem) {
    // Bands set as a person would (the picture in the docs is the last render here).
    Set(KvEQ::kType + 0, KvEQ::kLowShelf);
    Set(KvEQ::kFreq + 0, 120);
    Set(KvEQ::kGain + 0, 4.5);
    Set(KvEQ::kFreq + 1, 450);
    Set(KvEQ::kGain + 1, -3);
    Set(KvEQ::kQ + 1, 1.4);
    Set(KvEQ::kFreq + 2, 3200);
    Set(KvEQ::kGain + 2, 2);
    Set(KvEQ::kType + 3, KvEQ::kHighShelf);
    Set(KvEQ::kFreq + 3, 9000);
    Set(KvEQ::kGain + 3, 6);
    Set(KvEQ::kOutputGain, -12);
    const PVM::KCImagePixels pixels = Render();
    ASSERT_EQ(pixels.width, 600);
    ASSERT_EQ(pixels.height, 360);

    EXPECT_EQ(pixels.At(kMarginX, kMarginY), Opaque(kDarkBack));
    EXPECT_EQ(pixels.At(kPanelX, kPanelY), Opaque(kDarkPanel)) << "band panel between controls";

    // The knob's ring lies inside the knob's rectangle, and not in the margin beside it.
    const std::uint32_t ring = Opaque(kDefaultWidgetPalette.knobRing);
    EXPECT_GT(Count(pixels, kGain1Knob, ring), 40);
    EXPECT_EQ(Count(pixels, kMargin, ring), 0);

    // The thumb sits where the output gain puts it, and follows it.
    const double low = eq->GetParamState(KvEQ::kOutputGain);
    EXPECT_NEAR(ThumbCentre(pixels), ExpectedThumbCentre(low), 1.5);
    Set(KvEQ::kOutputGain, 3);
    const double high = eq->GetParamState(KvEQ::kOutputGain);
    ASSERT_GT(high, low);
    EXPECT_NEAR(ThumbCentre(Render()), ExpectedThumbCentre(high), 1.5);
}

// The graph draws the curve in its own colour and width over a 0 dB line across the middle.
TEST_P(KvEQGUI, TheCurveIsOrangeOverAZeroDbLine) {
    const int band2 = CurveColumn(eq->GetParamRealWorld(KvEQ::kFreq + 1));
    Set(KvEQ::kGain + 1, 12);
    const PVM::KCImagePixels p = Render();
    const int middle = kCurveTop + (KvEQ::kCurveHeight - 1) / 2;
    EXPECT_EQ(p.At(band2, middle), Opaque(KvEQ::kZeroDbColor)) << "the 0 dB line under a peak";
    EXPECT_NE(p.At(band2, middle - 1), Opaque(KvEQ::kZeroDbColor)) << "one pixel thin";
    EXPECT_NE(p.At(band2, middle + 1), Opaque(KvEQ::kZeroDbColor));
    // At the peak the curve is flat and two pixels thick: whole pixels in its colour.
    int full = 0;
    for (int y = kCurveTop; y < kCurveTop + KvEQ::kCurveHeight; ++y) {
        full += p.At(band2, y) == Opaque(KvEQ::kCurveColor) ? 1 : 0;
    }
    EXPECT_GE(full, 1);
    EXPECT_LE(full, 3) << "the line is as wide as the graph data says";
    EXPECT_LT(CurveRow(p, band2), middle - 30) << "+12 dB is well above the middle";
}

// The graph shows the combined response: a raised band 2 lifts the curve around its frequency
// above the 20 Hz end, and a further change of its gain moves the curve there again.
TEST_P(KvEQGUI, TheCurveFollowsTheBandGains) {
    const double freq = eq->GetParamRealWorld(KvEQ::kFreq + 1);
    ASSERT_GT(freq, 200.0) << "band 2 sits well above 20 Hz";
    const int band2 = CurveColumn(freq);
    const int low = CurveColumn(KvEQ::kCurveLowHz) + 1;

    Set(KvEQ::kGain + 1, 6);
    const PVM::KCImagePixels six = Render();
    Set(KvEQ::kGain + 1, 12);
    const PVM::KCImagePixels twelve = Render();

    const double atLow = CurveRow(twelve, low);
    const double atBand = CurveRow(twelve, band2);
    ASSERT_GT(atLow, 0) << "the curve is drawn at 20 Hz";
    ASSERT_GT(atBand, 0) << "the curve is drawn at band 2";
    // 12 dB over an 18 dB half height of 60.5 pixels: about 40 pixels higher.
    EXPECT_LT(atBand, atLow - 30);
    EXPECT_LT(atBand, CurveRow(six, band2) - 12) << "more gain draws the peak higher";
    EXPECT_NEAR(CurveRow(six, low), atLow, 2) << "far from band 2 the curve stays";

    Set(KvEQ::kGain + 1, -12);
    EXPECT_GT(CurveRow(Render(), band2), atLow + 30) << "a cut draws a dip";
}

// The window loads the EQ's skins itself and opens with the first, "Dark". Light (Dark's
// child) swaps the base picture and the widget colours; Studio (Light's child) keeps both and
// gives the curve its own ground; Dark again gives Dark's picture back, pixel for pixel.
TEST_P(KvEQGUI, SkinsDarkLightStudioApplyTheirGenerationsAndComeBack) {
    ASSERT_EQ(gui->GetSkinsData().GetNumSkins(), 3U);
    EXPECT_EQ(gui->GetSkinsData().GetCurrentSkinName(), "Dark");
    const KCRGBAColor darkRing = kDefaultWidgetPalette.knobRing;
    const KCRGBAColor lightRing = kvexample::KvEQWindow::LightPalette().knobRing;
    const auto curveGround = [](const PVM::KCImagePixels& p) {
        return p.At(kCurveLeft + 2, kCurveTop + 2);
    };

    const PVM::KCImagePixels dark = Render();
    EXPECT_EQ(dark.At(kMarginX, kMarginY), Opaque(kDarkBack));
    EXPECT_EQ(dark.At(kPanelX, kPanelY), Opaque(kDarkPanel));
    EXPECT_EQ(curveGround(dark), Opaque(RGB{18, 20, 24}));
    EXPECT_GT(Count(dark, kGain1Knob, Opaque(darkRing)), 40);

    ASSERT_EQ(gui->UpdateSkin("Light"), eNoErr);
    const PVM::KCImagePixels light = Render();
    EXPECT_EQ(light.At(kMarginX, kMarginY), Opaque(kLightBack));
    EXPECT_EQ(light.At(kPanelX, kPanelY), Opaque(kLightPanel));
    EXPECT_EQ(curveGround(light), Opaque(RGB{244, 245, 248}));
    EXPECT_GT(Count(light, kGain1Knob, Opaque(lightRing)), 40)
        << "the knob keeps its place in the skin's colours";
    EXPECT_EQ(Count(light, kGain1Knob, Opaque(darkRing)), 0);

    ASSERT_EQ(gui->UpdateSkin("Studio"), eNoErr);
    const PVM::KCImagePixels studio = Render();
    EXPECT_EQ(studio.At(kMarginX, kMarginY), Opaque(kLightBack)) << "Light's picture, inherited";
    EXPECT_EQ(curveGround(studio), Opaque(RGB{16, 38, 60})) << "Studio's own curve ground";
    EXPECT_GT(Count(studio, kGain1Knob, Opaque(lightRing)), 40) << "Light's colours, inherited";

    ASSERT_EQ(gui->UpdateSkin("Dark"), eNoErr);
    const PVM::KCImagePixels back = Render();
    ASSERT_EQ(back.argb.size(), dark.argb.size());
    int differ = 0;
    for (int y = 0; y < dark.height; ++y) {
        for (int x = 0; x < dark.width; ++x) {
            differ += back.At(x, y) != dark.At(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(differ, 0) << "Dark after Studio draws as Dark did";
    EXPECT_NE(gui->UpdateSkin("Sepia"), eNoErr) << "an unknown skin";
}

TEST_P(KvEQGUI, DraggingABandGainKnobReachesTheHostAsCoefficientsAndPairedGestures) {
    const double before = eq->GetParamRealWorld(KvEQ::kGain + 0);
    Drag(kGain1, 10, 4);
    const double after = eq->GetParamRealWorld(KvEQ::kGain + 0);
    EXPECT_GT(after, before + 1) << "dragging up raises the gain";
    ExpectBand(0);
    EXPECT_EQ(Gestures(kBand1Automation),
              (std::vector<int>{PM::eSelAutomationTouch, PM::eSelAutomationRelease}));
    EXPECT_EQ(host.CloseGestures(), 0U);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

TEST_P(KvEQGUI, AWheelNotchOnTheBandTypeChangesWhatThePopupShows) {
    const KCGUIControl* popup = gui->GetControlPtrByName("Band 1 Type");
    ASSERT_NE(popup, nullptr);
    const KCParamRegistrationData* lead = popup->GetLeadRegistration();
    ASSERT_NE(lead, nullptr);
    const auto shown = [&] { return WidgetValueText(*lead, eq->GetParamState(KvEQ::kType)); };
    ASSERT_EQ(shown(), "Bell");
    const PVM::KCImagePixels before = Render();
    Wheel(kType1, 1);
    EXPECT_EQ(shown(), "Low Shelf");
    ExpectBand(0);
    const PVM::KCImagePixels after = Render();
    int changed = 0;
    for (int y = 160; y < 178; ++y) {
        for (int x = 48; x < 132; ++x) {
            changed += before.At(x, y) != after.At(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(changed, 10) << "the popup's text was redrawn";
    EXPECT_EQ(host.CloseGestures(), 0U);
}

class KvEQGUIUpdateAtRelease : public KvEQGUI {
protected:
    void Open() override {
        std::unique_ptr<KvEQUpdateAtRelease> counting;
        kvexample::testing::OpenEQOnHost(GetParam(), host, container, counting);
        counted = counting.get();
        eq = std::move(counting);
    }
    KvEQUpdateAtRelease* counted = nullptr;
};

// A drag on a parameter that does not update while dragged moves its state at every step, but
// the EQ designs the band once, at the release, and the host sees that band's coefficients
// once; an unflagged knob updates at every step.
TEST_P(KvEQGUIUpdateAtRelease, AFrequencyDragUpdatesTheBandOnceAtTheRelease) {
    constexpr PVM::KCEventData::Point kFreq1{51, 209};
    Set(KvEQ::kGain + 0, 6);  // a flat band has the same coefficients at every frequency
    const double before = eq->GetParamRealWorld(KvEQ::kFreq + 0);
    const auto coefficient = [&] { return host.ReadCoefficient(0).value_or(-1); };
    const double b0 = coefficient();
    counted->updates.assign(counted->updates.size(), 0);

    PVM::KCEventData event = At(kFreq1, true);
    gui->DoMouseDown(event);
    PVM::KCEventData::Point where = kFreq1;
    double lastState = eq->GetParamState(KvEQ::kFreq + 0);
    const auto chains = host.CallCount(PM::eSelExecuteChain);
    for (int i = 0; i < 8; ++i) {
        where.y = static_cast<short>(where.y - 5);
        event.SetMouseLocation(where);
        gui->DoMouseMove(event);
        host.ProcessBlock();
        EXPECT_GT(eq->GetParamState(KvEQ::kFreq + 0), lastState) << "the state follows the drag";
        lastState = eq->GetParamState(KvEQ::kFreq + 0);
    }
    EXPECT_EQ(counted->updates[KvEQ::kFreq + 0], 0) << "no update while dragging";
    EXPECT_EQ(host.CallCount(PM::eSelExecuteChain), chains) << "nothing reached the host";
    EXPECT_EQ(coefficient(), b0);

    event.SetMouseButtonPressed(PVM::eLeftButton, false);
    gui->DoMouseUp(event);
    host.ProcessBlock();
    EXPECT_EQ(counted->updates[KvEQ::kFreq + 0], 1) << "one update, at the release";
    EXPECT_EQ(host.CallCount(PM::eSelExecuteChain), chains + 1) << "one chain of coefficients";
    EXPECT_GT(eq->GetParamRealWorld(KvEQ::kFreq + 0), before * 1.2);
    EXPECT_NE(coefficient(), b0);
    ExpectBand(0);
    EXPECT_EQ(host.CloseGestures(), 0U) << "the drag's touch was released";

    // The gain knob beside it is not flagged: each step of its drag updates the band.
    counted->updates.assign(counted->updates.size(), 0);
    Drag(kGain1, 8, 5);
    EXPECT_GE(counted->updates[KvEQ::kGain + 0], 8);
    EXPECT_EQ(counted->updates[KvEQ::kFreq + 0], 0);
    ExpectBand(0);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

// The real-time MIDI menu of band 1's gain knob, opened by a right click through the dispatcher
// and answered through the popup presenter: learn, the controller modes, clear.
TEST_P(KvEQGUI, ARightClickOnAKnobOpensItsMidiMenuWhichLearnsAndSetsTheMode) {
    struct Shown {
        std::vector<std::string> texts;
        std::vector<bool> enabled;
        std::vector<bool> checked;
    };
    std::vector<Shown> shown;
    std::string choose;
    PVM::SetPopupPresenter([&](const PVM::KSMenu& menu, PVM::KSPluginView*, KCPoint2D<short>,
                               PVM::KCPopupMenuItemData& chosen) {
        Shown seen;
        int pick = -1;
        for (int i = 0; i < PVM::GetMenuItemCount(&menu); ++i) {
            PVM::KCMenuItemInfo info;
            EXPECT_EQ(PVM::GetMenuItemByIndex(&menu, i, info), eNoErr);
            seen.texts.push_back(info.separator ? "-" : info.text);
            seen.enabled.push_back(info.enabled);
            seen.checked.push_back(info.IsChecked());
            pick = info.text == choose ? i : pick;
        }
        shown.push_back(seen);
        chosen = {&menu, pick};
        return pick >= 0;
    });
    std::uint64_t clock = 1'000'000;
    PVM::KCEventDispatcher dispatcher(gui.get(), [&clock] { return clock; });
    const auto rightClick = [&](PVM::KCEventData::Point where, const std::string& item) {
        choose = item;
        clock += 1'000'000;
        dispatcher.ButtonPress(PVM::eRightButton, where, {});
        dispatcher.ButtonRelease(PVM::eRightButton, where, {});
        host.ProcessBlock();
    };
    const auto mappings = [&] {
        std::vector<KSMidiMapping> out;
        const kvThread::ThreadMutexLock lock(eq->AlgLock());
        eq->GetMidiControl()->GetMappings(out);
        return out;
    };
    const auto cc = [](int value) {
        return kvMIDI::KorvaneMidiEvent::FromBytes(0xB0, 20, static_cast<unsigned char>(value));
    };
    const std::vector<std::string> items{"Learn", "Clear", "-", "Toggle", "TempTouch", "Momentary"};
    const double gain = eq->GetParamState(KvEQ::kGain + 0);

    rightClick(kGain1, "Learn");
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(shown[0].texts, items);
    EXPECT_EQ(shown[0].enabled, (std::vector<bool>{true, false, true, false, false, false}))
        << "nothing to clear or set before an attachment";
    EXPECT_EQ(eq->GetMidiLearnParam(), static_cast<int>(KvEQ::kGain + 0));
    EXPECT_EQ(eq->GetParamState(KvEQ::kGain + 0), gain) << "the right click moved nothing";
    EXPECT_TRUE(host.Events().Of(PM::eSelAutomationTouch).empty());

    rightClick(kGain1, "");  // dismissed
    EXPECT_EQ(shown.back().texts[0], "Cancel Learn");
    EXPECT_EQ(eq->GetMidiLearnParam(), static_cast<int>(KvEQ::kGain + 0));
    EXPECT_EQ(eq->MidiProcessInput(cc(1)), 0) << "the controller is learned";
    EXPECT_EQ(eq->GetMidiLearnParam(), -1);
    EXPECT_EQ(eq->MidiProcessInput(cc(127)), 1);
    host.ProcessBlock();
    EXPECT_EQ(eq->GetParamState(KvEQ::kGain + 0), 1000);
    ExpectBand(0);

    rightClick(kGain1, "Toggle");
    EXPECT_EQ(shown.back().texts[0], "Learn");
    EXPECT_EQ(shown.back().checked, (std::vector<bool>{false, false, false, false, false, true}))
        << "a learned controller starts momentary";
    ASSERT_EQ(mappings().size(), 1U);
    EXPECT_TRUE(mappings()[0].latching);
    EXPECT_TRUE(mappings()[0].momentary);

    rightClick(kGain1, "TempTouch");
    EXPECT_EQ(shown.back().checked, (std::vector<bool>{false, false, false, true, false, false}));
    ASSERT_EQ(mappings().size(), 1U);
    EXPECT_FALSE(mappings()[0].latching);
    EXPECT_FALSE(mappings()[0].momentary);
    EXPECT_EQ(eq->MidiProcessInput(cc(0)), 0) << "a press-only controller ignores its release";

    rightClick(kGain1, "Clear");
    EXPECT_TRUE(mappings().empty());
    EXPECT_EQ(eq->MidiProcessInput(cc(64)), 0);
    EXPECT_EQ(eq->GetParamState(KvEQ::kGain + 0), 1000);

    // Learn twice is learn then cancel.
    rightClick(kGain1, "Learn");
    rightClick(kGain1, "Cancel Learn");
    EXPECT_EQ(eq->GetMidiLearnParam(), -1);

    // A control without the menu (the output slider), and a left press, show none.
    const auto menus = shown.size();
    rightClick({kSliderX, kSliderTop + 60}, "Learn");
    Drag(kGain1, 2, 4);
    EXPECT_EQ(shown.size(), menus);
    EXPECT_EQ(eq->GetMidiLearnParam(), -1);
    PVM::SetPopupPresenter({});
    EXPECT_EQ(host.CloseGestures(), 0U);
    EXPECT_EQ(host.LiveBuffers(), 0U);
}

// The EQ's own process function runs only from the module (a bundle carries none for this host).
using KvEQGUIWithProcess = KvEQGUI;

// The GUI's idle pass reads the level meter from the running process: its bar, peak and clip
// lamp follow what the EQ played, and a stopped process is not read at all.
TEST_P(KvEQGUIWithProcess, TheLevelMeterFollowsTheProcessedAudioAtIdle) {
    ASSERT_EQ(host.LoadNativeProcess(RM::GetHMODULE(container), eq->GetProcessFuncName().c_str(),
                                     eq->GetNumInputs(), eq->GetNumOutputs()),
              eNoErr);
    eq->SetProcessActive(true);
    auto* vu = dynamic_cast<CVuMeter_X*>(gui->GetControlPtrByName("Level"));
    ASSERT_NE(vu, nullptr);
    ASSERT_NE(vu->GetMeter(), nullptr) << "the meter reads the Level parameter's meter";
    const std::uint32_t bar = Opaque(kDefaultWidgetPalette.meterBar);

    Play(0.0);
    EXPECT_EQ(gui->DoIdle(), 0);
    EXPECT_EQ(vu->GetShownReading().level, 0.0);
    const int silentBar = Count(Render(), kLevelMeter, bar);

    // Half scale is -6 dB: nine tenths of the meter's -60 ... 0 dB range.
    Play(0.5);
    const auto reads = host.CallCount(PM::eSelExecuteChain);
    EXPECT_EQ(gui->DoIdle(), 0);
    EXPECT_GT(host.CallCount(PM::eSelExecuteChain), reads) << "the idle pass read the process";
    EXPECT_NEAR(vu->GetShownReading().level, (60 - 6.02) / 60, 0.01);
    EXPECT_NEAR(vu->GetShownReading().peak, (60 - 6.02) / 60, 0.01);
    EXPECT_FALSE(vu->GetShownReading().clipped);
    EXPECT_TRUE(gui->NeedToRedrawGUI());
    PVM::KCImagePixels pixels = Render();
    const int halfBar = Count(pixels, kLevelMeter, bar);
    // The bar area is 126 rows (the lamp takes 4) by 16 columns.
    EXPECT_NEAR(halfBar - silentBar, 0.9 * 126 * 16, 3 * 16);
    EXPECT_EQ(Count(pixels, kClipLamp, Opaque(kDefaultWidgetPalette.meterClip)), 0);

    // Over full scale the clip lamp lights.
    Play(1.5);
    gui->DoIdle();
    EXPECT_TRUE(vu->GetShownReading().clipped);
    EXPECT_EQ(Count(Render(), kClipLamp, Opaque(kDefaultWidgetPalette.meterClip)), 4 * 16);

    // Quieter audio lowers the bar: each read starts a new measurement.
    Play(0.05);
    gui->DoIdle();
    EXPECT_NEAR(vu->GetShownReading().level, (60 - 26.02) / 60, 0.01);
    EXPECT_LT(Count(Render(), kLevelMeter, bar), halfBar);

    // A stopped process is not read: the meter drops to the floor and stays there.
    eq->SetProcessActive(false);
    Play(0.5);
    const auto stopped = host.CallCount(PM::eSelExecuteChain);
    gui->DoIdle();
    gui->DoIdle();
    EXPECT_EQ(host.CallCount(PM::eSelExecuteChain), stopped);
    EXPECT_EQ(vu->GetShownReading().level, 0.0);
    EXPECT_EQ(Count(Render(), kLevelMeter, bar), silentBar);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

// A copy of the EQ's bundle whose skins loop (Dark -> Light -> Studio -> Light): the window
// still opens from it, loading the skins itself, and the loop ends with its error code.
TEST(KvEQGUISkins, ALoopOfFathersInTheBundlesSkinsEnds) {
    namespace fs = std::filesystem;
    const fs::path bundle = fs::path(::testing::TempDir()) / "kv_eq_skin_loop.bundle";
    fs::remove_all(bundle);
    fs::copy(KVEQ_BUNDLE, bundle, fs::copy_options::recursive);
    const fs::path skins = bundle / "Contents" / "Resources" / "SkinXML" / "128.xml";
    ASSERT_TRUE(fs::exists(skins));
    std::ofstream(skins, std::ios::trunc) << R"(<SkinXML><Skins>
        <Skin Name="Dark" FatherName="Light"/><Skin Name="Light" FatherName="Studio"/>
        <Skin Name="Studio" FatherName="Light"/></Skins>
      <GUITree><Skin Name="Light"><Pict_List><Image Type="Base" ResID="129"/></Pict_List></Skin>
      </GUITree></SkinXML>)";

    KTResContainerType* container = nullptr;
    KorvaneHost::ReferenceHost host;
    std::unique_ptr<KvEQ> eq;
    kvexample::testing::OpenEQOnHost(bundle.c_str(), host, container, eq);
    ASSERT_FALSE(HasFatalFailure());
    {
        kvexample::KvEQWindow gui(container);
        EXPECT_EQ(gui.InitDefaultGUI(eq.get()), eNoErr) << "a broken skin leaves the GUI usable";
        EXPECT_GT(gui.GetNumGUIControllers(), 30U);
        EXPECT_EQ(gui.GetSkinsData().GetNumSkins(), 3U);
        EXPECT_EQ(gui.InitSkinsFromResources(), kSkinFatherCycle);
        EXPECT_EQ(gui.GetSkinsData().GetCurrentSkinName(), "Dark");
        std::vector<const XML::CXMLElement*> chain;
        EXPECT_EQ(gui.GetSkinsData().GetGenerationsSkinXMLs("Dark", chain), kSkinFatherCycle);
        EXPECT_EQ(chain.size(), 3U) << "each skin of the loop once";
        EXPECT_EQ(gui.GetPictures().base.front(), 129) << "Light's part was applied";
        std::vector<unsigned char> png;
        EXPECT_EQ(gui.RenderToPNG(png), eNoErr);
        EXPECT_FALSE(png.empty());
    }
    eq.reset();
    EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
    EXPECT_EQ(RM::Dispose(), eNoErr);
    fs::remove_all(bundle);
}

const char* const kContainers[] = {KVEQ_MODULE, KVEQ_BUNDLE};
INSTANTIATE_TEST_SUITE_P(Containers, KvEQGUI, ::testing::ValuesIn(kContainers),
                         [](const auto& info) { return info.index == 0 ? "Module" : "Bundle"; });
INSTANTIATE_TEST_SUITE_P(Module, KvEQGUIWithProcess, ::testing::Values(KVEQ_MODULE));
INSTANTIATE_TEST_SUITE_P(Containers, KvEQGUIUpdateAtRelease, ::testing::ValuesIn(kContainers),
                         [](const auto& info) { return info.index == 0 ? "Module" : "Bundle"; });

}  // namespace

// KCGraphicStreamToCairo: draws a graphic stream into a Cairo ARGB32 image surface, with the
// meaning the SVG rendering gives each record, and the render-to-PNG call built on it.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/gs/gs_engine.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Cairo's own type names, declared as cairo.h declares them, so users of this header need no
// Cairo headers.
using cairo_t = struct _cairo;                          // NOLINT(bugprone-reserved-identifier)
using cairo_surface_t = struct _cairo_surface;          // NOLINT(bugprone-reserved-identifier)
using cairo_scaled_font_t = struct _cairo_scaled_font;  // NOLINT(bugprone-reserved-identifier)

namespace kvKorvaneV10_0_3::PluginViewManager {

class KCImageSource;

// Limits that keep a stream from anywhere from taking unbounded memory or time.
struct KSRenderLimits {
    // The surface is the stream's frame cut to these sides.
    int maxWidth = 8192;
    int maxHeight = 8192;
    // Records drawn in one run; the rest of the stream is read but not drawn.
    unsigned int maxDrawRecords = 200000;
    // Vertices of one vertex record; a longer record is not drawn.
    unsigned int maxVertices = 65536;
    // Bytes of one text record drawn.
    unsigned int maxTextBytes = 4096;
};

// Records and what they draw (coordinates relative to the innermost frame):
// - the first "BSTM" (or "BFRM") sizes the surface from its rectangle's width and height (the
//   window rectangle when those are not positive); nested streams and frames move the origin
//   to their rectangle's corner, and what a frame changes (rotation, clips) ends with it;
// - "dVIN": line strips and straight lines are stroked; polygons, triangle fans and strips
//   are filled and stroked with the same colour, as the SVG rendering does; the stroke pattern
//   becomes dashes, bit 0 first; the scale scales the points, never the stroke width;
//   "NoAntialias" draws without antialiasing; "eDrawInXORMode" paints the shape with Cairo's
//   difference operator (white inverts what lies under it, and drawing it twice restores it);
// - "lavO": a whole ellipse when the sweep is 0 or at least 360°, otherwise an arc (stroked)
//   or a pie slice (filled), angles clockwise from 3 o'clock; a stroke width of 0 or less fills;
// - "dTXT": the latest text in the latest font (fontconfig picks the nearest installed face),
//   aligned inside the innermost frame: left/centre/right on the advance width, top/centre/
//   bottom on the font's ascent and descent;
// - "ePNG": the image the source gives for the id or name, at its size at the frame's origin
//   (all-zero rectangle), at its size at x, y (zero width and height) or scaled to the
//   rectangle, inside the clip rectangle when one is given; a missing image draws nothing;
// - "cRIN" and "cVIN" narrow the clip; "FTOR" rotates about the given point, clockwise.
// Colours in data are drawn for straight lines (a colour per segment); logical sizes and the older
// PNG and plug-in records are not drawn.
// [gui-thread] on its own object; distinct renderers may run on distinct threads.
class KORVANE_API KCGraphicStreamToCairo : public kvGS::KCGraphicStreamEngineBase {
public:
    explicit KCGraphicStreamToCairo(KCImageSource* images = nullptr);
    ~KCGraphicStreamToCairo() override;

    void SetImageSource(KCImageSource* images) { m_images = images; }
    [[nodiscard]] KCImageSource* GetImageSource() const { return m_images; }
    void SetLimits(const KSRenderLimits& limits) { m_limits = limits; }
    [[nodiscard]] const KSRenderLimits& GetLimits() const { return m_limits; }
    // The colour the surface is cleared to before each run, premultiplied ARGB (0: transparent).
    void SetBackground(std::uint32_t argb) { m_background = argb; }
    // Draws the following runs into `target` (not owned; null goes back to the renderer's own
    // image surface), e.g. a window's surface or a recording surface. The target is cleared to
    // the background over the stream's size like the own surface; GetSurface, GetPixel and
    // WritePNG see only the own surface.
    void SetTargetSurface(cairo_surface_t* target) { m_target = target; }
    // Pixels per stream unit for the following runs (a high-density screen's 2): the surface is
    // that much larger (rounded up, within the limits) and everything is drawn scaled. Values
    // outside [kMinScale, kMaxScale], and non-numbers, are taken as the nearest bound (1).
    static constexpr double kMinScale = 1.0;
    static constexpr double kMaxScale = 4.0;
    void SetScale(double scale);
    [[nodiscard]] double GetScale() const { return m_scale; }

    // Draws the stream into the surface, reusing it when the size is unchanged. The reader's
    // errors; eGMInvalidImage when the stream gives no size; eGMGenericErr when Cairo fails.
    // A stream cut by the limits still draws what came before and returns eNoErr (see WasCut).
    [[nodiscard]] KTErr Render(const char* stream, std::size_t length);
    // The same for a stream this process has just written ("DataPtr" payloads are followed).
    [[nodiscard]] KTErr RenderInProcess(const char* stream, std::size_t length);

    // The surface of the latest run (null before the first), premultiplied native-endian ARGB32;
    // its size in pixels, the stream's size times the scale.
    [[nodiscard]] cairo_surface_t* GetSurface() const { return m_surface; }
    [[nodiscard]] int GetWidth() const { return m_width; }
    [[nodiscard]] int GetHeight() const { return m_height; }
    // The pixel at (x, y) of the latest run; 0 outside the surface.
    [[nodiscard]] std::uint32_t GetPixel(int x, int y) const;
    // True when the latest run met a limit: the frame was larger than the surface, or records,
    // vertices or text were left out.
    [[nodiscard]] bool WasCut() const { return m_cut; }
    // Images the source did not have in the latest run.
    [[nodiscard]] unsigned int GetMissingImages() const { return m_missingImages; }
    // The surface as PNG bytes (replacing `png`); eGMUninitializedContext before a run.
    [[nodiscard]] KTErr WritePNG(std::vector<unsigned char>& png) const;

protected:
    int BeginStream(const kvGS::SGSStream& stream) override;
    int EndStream(const kvGS::SGSCommandHeader& header) override;
    int BeginFrame(const kvGS::SGSFrame& frame) override;
    int EndFrame(const kvGS::SGSCommandHeader& header) override;
    int RotateFrame(const kvGS::SGSFrameRotate& rotate) override;
    int DrawPNG(const kvGS::SGSDrawPNG& png) override;
    int DrawTheText(const kvGS::SGSDrawText& text) override;
    int DrawOval(const kvGS::SGSDrawOval& oval) override;
    int DrawVertices(const kvGS::SGSDrawVertices& vertices) override;
    int ClipVertices(const kvGS::SGSDrawVertices& vertices) override;
    int ClipRect(const kvGS::SGSClipRect& clip) override;
    void BeforeExceStream() override;

private:
    [[nodiscard]] KTErr Run(const char* stream, std::size_t length, bool inProcess);
    // Opens the surface for the outermost stream or frame; false when it gives no size.
    bool Open(const kvGS::SGSRect& outer);
    void Close();
    // Counts a drawing record; false once the limit is met (nothing more is drawn).
    bool Admit();
    // Enters a nested stream or frame at its rectangle's corner.
    void Enter(const kvGS::SGSRect& rect);
    void Leave();
    // The latest vertex record as x, y pairs in m_xy; false when there is none, it is too long
    // or it holds a value that is not finite.
    bool Points();
    void Color(const kvGS::SGSRGBAColor& c);
    // Straight lines with a colour per vertex (the latest colour data), each segment in its
    // first vertex's colour; false, drawing nothing, without a colour for every vertex.
    bool StrokeColoredLines(double width);
    void ApplyDashes(std::uint16_t pattern);

    KCImageSource* m_images;
    KSRenderLimits m_limits;
    std::uint32_t m_background = 0;
    double m_scale = 1.0;
    cairo_surface_t* m_surface = nullptr;
    cairo_surface_t* m_target = nullptr;  // not owned
    cairo_t* m_cr = nullptr;
    cairo_scaled_font_t* m_font = nullptr;  // for the latest "tnof" of the run
    kvGS::SGSFont m_fontRecord;             // the record m_font was made for
    int m_width = 0;
    int m_height = 0;
    // Frames open, innermost last, with their rectangles (text aligns inside the innermost).
    std::vector<kvGS::SGSRect> m_levels;
    unsigned int m_drawn = 0;
    unsigned int m_missingImages = 0;
    bool m_cut = false;
    // The outermost stream or frame of this run has tried to open the surface (once a run).
    bool m_openTried = false;
    std::vector<float> m_points;  // the latest points as read, before Coord
    std::vector<double> m_xy;
    std::string m_text;
    // Surfaces over the images drawn in this run (the source keeps the pixels that long).
    std::vector<std::pair<const void*, cairo_surface_t*>> m_imageSurfaces;
};

// Renders the stream into a surface sized from its frame and encodes it as PNG into `png`
// (replaced). `images` may be null (images draw nothing); `inProcess` follows "DataPtr"
// payloads, only for a stream this process has just written. The errors of Render and
// WritePNG. [any-thread]
[[nodiscard]] KORVANE_API KTErr RenderGraphicStreamToPNG(const char* stream, std::size_t length,
                                                         KCImageSource* images,
                                                         std::vector<unsigned char>& png,
                                                         const KSRenderLimits& limits = {},
                                                         bool inProcess = false);

}  // namespace kvKorvaneV10_0_3::PluginViewManager

// Rendering graphic stream records as SVG elements under an XML element tree.
#include "korvane/gs/gs_svg.h"

#include "korvane/core/number_format.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace kvKorvaneV10_0_3::kvGS {

namespace {

// The six-significant-digit "%g" text of v (0 for a non-finite value), appended. Whole numbers
// below a million, the usual coordinates, are written as integers directly: the same digits "%g"
// gives them.
void AppendNum(std::string& out, double v) {
    if (!std::isfinite(v)) {
        v = 0;
    }
    char text[40];
    if (std::fabs(v) < 1e6 && v == std::trunc(v) && !(v == 0 && std::signbit(v))) {
        const auto end = std::to_chars(text, text + sizeof text, static_cast<long>(v)).ptr;
        out.append(text, end);
        return;
    }
    const std::size_t n = KUFormatGeneral(text, sizeof text, v, 6);
    out.append(text, std::min(n, sizeof text - 1));
}

void AppendInt(std::string& out, long long v) {
    char text[24];
    out.append(text, std::to_chars(text, text + sizeof text, v).ptr);
}

std::string Num(double v) {
    std::string out;
    AppendNum(out, v);
    return out;
}

// "rgb(r,g,b)" into out (replaced).
void Rgb(std::string& out, const SGSRGBAColor& c) {
    out.assign("rgb(");
    AppendInt(out, c.red);
    out += ',';
    AppendInt(out, c.green);
    out += ',';
    AppendInt(out, c.blue);
    out += ')';
}

// The colour as `what` and, when not opaque, `what`-opacity; scratch holds the texts.
void Paint(XML::CXMLElement& e, const char* what, const SGSRGBAColor& c, std::string& scratch) {
    Rgb(scratch, c);
    e.AddAttrib(what, scratch.c_str());
    if (c.alpha != 255) {
        e.AddAttrib((std::string(what) + "-opacity").c_str(), Num(c.alpha / 255.0).c_str());
    }
}

// A 16-bit stroke pattern as SVG dashes: bit 0 first, one unit per bit, set bits drawn. The
// dash list starts at a set bit that follows a clear one; the offset puts bit 0 back at the
// line's start. Empty for a solid pattern.
void AddDashes(XML::CXMLElement& e, std::uint16_t pattern) {
    constexpr int kBits = 16;
    if (pattern == 0xFFFF) {
        return;
    }
    if (pattern == 0) {
        e.AddAttrib("stroke-dasharray", "0 16");
        return;
    }
    const auto bit = [&](int i) { return ((pattern >> (i % kBits)) & 1U) != 0; };
    int start = 0;
    while (!(bit(start) && !bit(start + kBits - 1))) {
        ++start;
    }
    std::string dashes;
    for (int i = start; i < start + kBits;) {
        const bool on = bit(i);
        int run = 0;
        while (i < start + kBits && bit(i) == on) {
            ++run;
            ++i;
        }
        if (!dashes.empty()) {
            dashes += ' ';
        }
        dashes += KUFormatInteger(static_cast<unsigned long long>(run));
    }
    e.AddAttrib("stroke-dasharray", dashes.c_str());
    if (start != 0) {
        e.AddAttrib("stroke-dashoffset",
                    KUFormatInteger(static_cast<unsigned long long>(kBits - start)).c_str());
    }
}

// "x,y x,y ..." into out (replaced).
void PointList(std::string& out, const std::vector<float>& xy, std::size_t count) {
    out.clear();
    for (std::size_t i = 0; i < count; ++i) {
        if (i != 0) {
            out += ' ';
        }
        AppendNum(out, xy[2 * i]);
        out += ',';
        AppendNum(out, xy[2 * i + 1]);
    }
}

// "translate(x,y)" into out (replaced).
void Translate(std::string& out, std::int32_t x, std::int32_t y) {
    out.assign("translate(");
    AppendNum(out, x);
    out += ',';
    AppendNum(out, y);
    out += ')';
}

}  // namespace

KCGraphicStreamToSVG::KCGraphicStreamToSVG(XML::CXMLElement* root) : m_root(root) {}

std::string KCGraphicStreamToSVG::NextID() {
    return "gs" + std::to_string(++m_nextID);
}

void KCGraphicStreamToSVG::BeforeExceStream() {
    m_levels.clear();
    m_current.clear();
    m_nextID = 0;
    if (m_root != nullptr) {
        m_root->Clear();
        m_root->SetName("svg");
        m_root->AddAttrib("xmlns", "http://www.w3.org/2000/svg");
        m_root->AddAttrib("xmlns:xlink", "http://www.w3.org/1999/xlink");
        m_root->AddAttrib("version", "1.1");
        m_current.push_back(m_root);
    }
}

XML::CXMLElement* KCGraphicStreamToSVG::Add(const char* name) {
    if (m_current.empty()) {
        return nullptr;
    }
    XML::CXMLElement* e = m_current.back()->AddSubElement(name);
    if (e != nullptr) {
        char id[16] = "gs";
        *std::to_chars(id + 2, id + sizeof id - 1, ++m_nextID).ptr = '\0';
        e->AddAttrib("id", id);
    }
    return e;
}

void KCGraphicStreamToSVG::OpenGroup(XML::CXMLElement* group) {
    if (group != nullptr) {
        m_current.push_back(group);
        if (!m_levels.empty()) {
            ++m_levels.back().extraGroups;
        }
    }
}

void KCGraphicStreamToSVG::Push(XML::CXMLElement* group, const SGSRect& rect) {
    if (group == nullptr) {
        return;
    }
    m_current.push_back(group);
    m_levels.push_back({group, rect, 0});
}

void KCGraphicStreamToSVG::Pop() {
    if (m_levels.empty()) {
        return;
    }
    const unsigned int groups = m_levels.back().extraGroups + 1;
    for (unsigned int i = 0; i < groups && m_current.size() > 1; ++i) {
        m_current.pop_back();
    }
    m_levels.pop_back();
}

int KCGraphicStreamToSVG::BeginStream(const SGSStream& stream) {
    if (m_root == nullptr) {
        return 0;
    }
    if (m_levels.empty()) {
        SGSRect rect = stream.rect;
        if (rect.width <= 0 || rect.height <= 0) {
            rect = GetWindowRect();
        }
        m_root->AddAttrib("width", rect.width);
        m_root->AddAttrib("height", rect.height);
        m_root->AddAttrib(
            "viewBox",
            ("0 0 " + std::to_string(rect.width) + " " + std::to_string(rect.height)).c_str());
        m_root->AddAttrib("preserveAspectRatio", "none");
        m_levels.push_back({m_root, rect, 0});
        return 0;
    }
    XML::CXMLElement* group = Add("g");
    Translate(m_text, stream.rect.x, stream.rect.y);
    group->AddAttrib("transform", m_text.c_str());
    Push(group, stream.rect);
    return 0;
}

int KCGraphicStreamToSVG::EndStream(const SGSCommandHeader& /*header*/) {
    if (m_levels.size() == 1) {
        // The root stays the current element; only what the stream opened inside
        // closes.
        for (unsigned int i = 0; i < m_levels.back().extraGroups && m_current.size() > 1; ++i) {
            m_current.pop_back();
        }
        m_levels.clear();
        return 0;
    }
    Pop();
    return 0;
}

int KCGraphicStreamToSVG::BeginFrame(const SGSFrame& frame) {
    XML::CXMLElement* group = Add("g");
    if (group == nullptr) {
        return 0;
    }
    Translate(m_text, frame.rect.x, frame.rect.y);
    group->AddAttrib("transform", m_text.c_str());
    Push(group, frame.rect);
    return 0;
}

int KCGraphicStreamToSVG::EndFrame(const SGSCommandHeader& /*header*/) {
    Pop();
    return 0;
}

int KCGraphicStreamToSVG::RotateFrame(const SGSFrameRotate& rotate) {
    XML::CXMLElement* group = Add("g");
    if (group == nullptr) {
        return 0;
    }
    group->AddAttrib("transform", ("rotate(" + Num(rotate.angleDegrees) + "," +
                                   Num(rotate.xOffset) + "," + Num(rotate.yOffset) + ")")
                                      .c_str());
    group->AddAttrib("angleDegrees", rotate.angleDegrees);
    group->AddAttrib("xOffset", rotate.xOffset);
    group->AddAttrib("yOffset", rotate.yOffset);
    OpenGroup(group);
    return 0;
}

int KCGraphicStreamToSVG::ClipRect(const SGSClipRect& clip) {
    XML::CXMLElement* path = Add("clipPath");
    if (path == nullptr) {
        return 0;
    }
    std::string id;
    path->GetAttrib("id", id);
    if (auto* rect = path->AddSubElement("rect"); rect != nullptr) {
        rect->AddAttrib("x", clip.rect.x);
        rect->AddAttrib("y", clip.rect.y);
        rect->AddAttrib("width", clip.rect.width);
        rect->AddAttrib("height", clip.rect.height);
    }
    XML::CXMLElement* group = Add("g");
    group->AddAttrib("clip-path", ("url(#" + id + ")").c_str());
    OpenGroup(group);
    return 0;
}

int KCGraphicStreamToSVG::DrawVertices(const SGSDrawVertices& v) {
    std::vector<float>& xy = m_xy;
    if (m_current.empty() || GetLatestPoints(xy) != EPoints::eOK) {
        return 0;
    }
    if (v.method != eGSLineStrip && v.method != eGSPolygon && v.method != eGSStraightLines &&
        v.method != eGSTriangleFan && v.method != eGSTriangleStrip) {
        return 0;  // a method this renderer does not know draws nothing rather than
                   // a guess
    }
    const std::size_t n = xy.size() / 2;
    XML::CXMLElement* e = nullptr;
    const bool filled = v.method != eGSLineStrip && v.method != eGSStraightLines;
    if (v.method == eGSLineStrip || v.method == eGSPolygon) {
        e = Add(v.method == eGSLineStrip ? "polyline" : "polygon");
        PointList(m_text, xy, n);
        e->AddAttrib("points", m_text.c_str());
    } else {
        // Segments and triangles as one path of subpaths.
        std::string d;
        auto move = [&](std::size_t i, const char* op) {
            d += op;
            d += Num(xy[2 * i]) + " " + Num(xy[2 * i + 1]) + " ";
        };
        if (v.method == eGSStraightLines) {
            for (std::size_t i = 0; i + 1 < n; i += 2) {
                move(i, "M");
                move(i + 1, "L");
            }
        } else {
            for (std::size_t i = 2; i < n; ++i) {
                const std::size_t a = v.method == eGSTriangleFan ? 0 : i - 2;
                move(a, "M");
                move(i - 1, "L");
                move(i, "L");
                d += "Z ";
            }
        }
        e = Add("path");
        e->AddAttrib("d", d.c_str());
    }
    Paint(*e, "stroke", v.draw_color, m_text);
    if (filled) {
        Paint(*e, "fill", v.draw_color, m_text);
    } else {
        e->AddAttrib("fill", "none");
    }
    m_text.clear();
    AppendNum(m_text, v.stroke_width);
    e->AddAttrib("stroke-width", m_text.c_str());
    char hex[8];
    const char* hexEnd = std::to_chars(hex, hex + sizeof hex, v.stroke_pattern, 16).ptr;
    m_text.assign(static_cast<std::size_t>(4 - std::min<std::ptrdiff_t>(4, hexEnd - hex)), '0');
    for (const char* c = hex; c != hexEnd; ++c) {
        m_text += *c >= 'a' ? static_cast<char>(*c - 'a' + 'A') : *c;
    }
    e->AddAttrib("stroke-pattern", m_text.c_str());
    AddDashes(*e, v.stroke_pattern);
    e->AddAttrib("vector-effect", "non-scaling-stroke");
    if (v.scale.x != 1.0F || v.scale.y != 1.0F) {
        e->AddAttrib("transform", ("scale(" + Num(v.scale.x) + "," + Num(v.scale.y) + ")").c_str());
    }
    return 0;
}

int KCGraphicStreamToSVG::ClipVertices(const SGSDrawVertices& /*vertices*/) {
    std::vector<float>& xy = m_xy;
    if (m_current.empty() || GetLatestPoints(xy) != EPoints::eOK) {
        return 0;
    }
    XML::CXMLElement* path = Add("clipPath");
    std::string id;
    path->GetAttrib("id", id);
    if (auto* polygon = path->AddSubElement("polygon"); polygon != nullptr) {
        PointList(m_text, xy, xy.size() / 2);
        polygon->AddAttrib("points", m_text.c_str());
    }
    XML::CXMLElement* group = Add("g");
    group->AddAttrib("clip-path", ("url(#" + id + ")").c_str());
    OpenGroup(group);
    return 0;
}

int KCGraphicStreamToSVG::DrawOval(const SGSDrawOval& oval) {
    if (m_current.empty()) {
        return 0;
    }
    const double rx = oval.rect.width / 2.0;
    const double ry = oval.rect.height / 2.0;
    const double cx = oval.rect.x + rx;
    const double cy = oval.rect.y + ry;
    XML::CXMLElement* e = nullptr;
    if (std::fabs(oval.sweep_angle) >= 360.0F || oval.sweep_angle == 0.0F) {
        e = Add("ellipse");
        e->AddAttrib("cx", Num(cx).c_str());
        e->AddAttrib("cy", Num(cy).c_str());
        e->AddAttrib("rx", Num(rx).c_str());
        e->AddAttrib("ry", Num(ry).c_str());
    } else {
        // Angles clockwise from 3 o'clock, as on screen.
        const double a0 = oval.start_angle * 0.017453292519943295;
        const double a1 = (oval.start_angle + oval.sweep_angle) * 0.017453292519943295;
        const bool large = std::fabs(oval.sweep_angle) > 180.0F;
        const bool sweep = oval.sweep_angle > 0;
        const std::string start = Num(cx + rx * std::cos(a0)) + " " + Num(cy + ry * std::sin(a0));
        const std::string arc = " A " + Num(rx) + " " + Num(ry) + " 0 " + (large ? "1 " : "0 ") +
                                (sweep ? "1 " : "0 ") + Num(cx + rx * std::cos(a1)) + " " +
                                Num(cy + ry * std::sin(a1));
        // Filled, a partial oval is a pie slice from the centre; stroked, only its
        // arc.
        const std::string d = oval.stroke_width <= 0.0F
                                  ? "M " + Num(cx) + " " + Num(cy) + " L " + start + arc + " Z"
                                  : "M " + start + arc;
        e = Add("path");
        e->AddAttrib("d", d.c_str());
    }
    if (oval.stroke_width <= 0.0F) {
        Paint(*e, "fill", oval.draw_color, m_text);
    } else {
        e->AddAttrib("fill", "none");
        Paint(*e, "stroke", oval.draw_color, m_text);
        e->AddAttrib("stroke-width", Num(oval.stroke_width).c_str());
    }
    return 0;
}

int KCGraphicStreamToSVG::DrawPNG(const SGSDrawPNG& png) {
    XML::CXMLElement* e = Add("image");
    if (e == nullptr) {
        return 0;
    }
    std::string name = std::to_string(png.ResID);
    if (png.ResID == kGSResIDByName) {
        const SGSData* text = GetLatestDataOfPurpose(eGSText);
        name = text == nullptr ? std::string() : std::string(GetDataText(*text));
    }
    e->AddAttrib("x", png.draw_rect.x);
    e->AddAttrib("y", png.draw_rect.y);
    if (png.draw_rect.width != 0 || png.draw_rect.height != 0) {
        e->AddAttrib("width", png.draw_rect.width);
        e->AddAttrib("height", png.draw_rect.height);
    }
    e->AddAttrib("xlink:href", ("Contents/Resources/PNG_" + name + ".png").c_str());
    return 0;
}

int KCGraphicStreamToSVG::DrawTheText(const SGSDrawText& text) {
    const SGSData* data = GetLatestDataOfPurpose(eGSText);
    XML::CXMLElement* e = Add("text");
    if (e == nullptr) {
        return 0;
    }
    const SGSRect frame = m_levels.empty() ? SGSRect() : m_levels.back().rect;
    const char* anchor = "middle";
    double x = frame.width / 2.0;
    if (text.hAlign == eGSLeft) {
        anchor = "start";
        x = 0;
    } else if (text.hAlign == eGSRight) {
        anchor = "end";
        x = frame.width;
    }
    const char* baseline = "middle";
    double y = frame.height / 2.0;
    if (text.vAlign == eGSTop) {
        baseline = "hanging";
        y = 0;
    } else if (text.vAlign == eGSBottom) {
        baseline = "text-bottom";
        y = frame.height;
    }
    const SGSFont& font = GetFont();
    m_text.clear();
    AppendNum(m_text, x);
    e->AddAttrib("x", m_text.c_str());
    m_text.clear();
    AppendNum(m_text, y);
    e->AddAttrib("y", m_text.c_str());
    m_text.assign(font.name, strnlen(font.name, sizeof font.name));
    e->AddAttrib("font-family", m_text.c_str());
    e->AddAttrib("font-size", font.size);
    m_text.assign("text-anchor: ");
    m_text += anchor;
    m_text += "; dominant-baseline: ";
    m_text += baseline;
    m_text += ';';
    e->AddAttrib("style", m_text.c_str());
    Paint(*e, "fill", font.color, m_text);
    if (data != nullptr) {
        e->SetText(GetDataText(*data));
    }
    return 0;
}

int KCGraphicStreamToSVG::ResourcesBaseURL(const SGSData& data) {
    if (m_root != nullptr) {
        m_root->SetAttrib("xml:base", ("file://" + std::string(GetDataText(data)) + "/").c_str());
    }
    return 0;
}

int KCGraphicStreamToSVG::Remark(const SGSData& data) {
    if (XML::CXMLElement* e = Add("desc"); e != nullptr) {
        e->SetText(GetDataText(data));
    }
    return 0;
}

}  // namespace kvKorvaneV10_0_3::kvGS

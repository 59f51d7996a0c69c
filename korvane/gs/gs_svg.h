// KCGraphicStreamToSVG: renders a graphic stream as an SVG document in an XML element tree.
#pragma once

#include "korvane/core/export.h"
#include "korvane/gs/gs_engine.h"

#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::XML {
class CXMLElement;
}

namespace kvKorvaneV10_0_3::kvGS {

// The given element becomes the "svg" root: frames are groups translated to their origin,
// rotations and clips are nested groups, vertices are polylines, polygons or paths, images
// and texts their SVG elements, remarks "desc". The element must outlive ExecStream.
// [any-thread] on distinct objects.
class KORVANE_API KCGraphicStreamToSVG : public KCGraphicStreamEngineBase {
public:
    explicit KCGraphicStreamToSVG(XML::CXMLElement* root);

    // "gs" followed by the next number: the id of each element written.
    std::string NextID();

protected:
    int BeginStream(const SGSStream& stream) override;
    int EndStream(const SGSCommandHeader& header) override;
    int BeginFrame(const SGSFrame& frame) override;
    int EndFrame(const SGSCommandHeader& header) override;
    int RotateFrame(const SGSFrameRotate& rotate) override;
    int DrawPNG(const SGSDrawPNG& png) override;
    int DrawTheText(const SGSDrawText& text) override;
    int DrawOval(const SGSDrawOval& oval) override;
    int DrawVertices(const SGSDrawVertices& vertices) override;
    int ClipVertices(const SGSDrawVertices& vertices) override;
    int ClipRect(const SGSClipRect& clip) override;
    int ResourcesBaseURL(const SGSData& data) override;
    int Remark(const SGSData& data) override;
    void BeforeExceStream() override;

private:
    struct KSLevel {
        XML::CXMLElement* group;
        SGSRect rect;
        unsigned int extraGroups;  // rotations and clips opened inside this frame
    };
    XML::CXMLElement* Add(const char* name);
    void Push(XML::CXMLElement* group, const SGSRect& rect);
    void Pop();
    void OpenGroup(XML::CXMLElement* group);

    XML::CXMLElement* m_root;
    std::vector<KSLevel> m_levels;
    std::vector<XML::CXMLElement*> m_current;  // innermost group last
    unsigned int m_nextID = 0;
    // Reused between records: the attribute text being formatted and the latest points.
    std::string m_text;
    std::vector<float> m_xy;
};

}  // namespace kvKorvaneV10_0_3::kvGS
